// Reads SnooprLog lines (format in SnooprStandin.h) back into records, so tests
// can check what a program recorded byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace snoopr {

struct Item {
  char kind = 'P';  // 'P' parameter, 'R' return value, 'F' function return
  int32_t index = 0;
  std::optional<std::string> name;  // empty when the caller passed null
  int32_t type = 0;
  int32_t elementSize = 0;
  int64_t totalSize = 0;
  std::optional<int32_t> succeeded;  // function return only
  bool dataNull = false;
  std::vector<uint8_t> bytes;
  // Type 45: the text with escapes resolved; otherwise the numbers as
  // written ("1,2,3"). Absent when the logger wrote no value.
  std::optional<std::string> value;

  std::string text() const { return std::string(bytes.begin(), bytes.end()); }
};

struct Record {
  long pid = 0;
  long tid = 0;
  std::optional<std::string> functionName;
  int32_t functionId = 0;
  int32_t apiType = 0;
  int32_t flags = 0;
  std::optional<int32_t> paramCount;   // empty when the parameters were not ended
  std::optional<int32_t> returnCount;  // empty when the returns were not ended
  std::vector<Item> params;            // kind 'P', in recording order
  std::vector<Item> returns;           // kinds 'R' and 'F', in recording order
};

namespace detail {

class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ == text_.size(); }
  bool startsWith(std::string_view literal) const {
    return text_.substr(pos_, literal.size()) == literal;
  }
  bool literal(std::string_view literal) {
    if (!startsWith(literal)) {
      return false;
    }
    pos_ += literal.size();
    return true;
  }
  bool oneOf(std::string_view choices, char& chosen) {
    if (atEnd() || choices.find(text_[pos_]) == std::string_view::npos) {
      return false;
    }
    chosen = text_[pos_++];
    return true;
  }

  template <typename T>
  bool integer(T& out) {
    const bool negative = literal("-");
    const size_t start = pos_;
    uint64_t magnitude = 0;
    while (!atEnd() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      if (magnitude > (UINT64_MAX - 9) / 10) {
        return false;
      }
      magnitude = magnitude * 10 + static_cast<uint64_t>(text_[pos_++] - '0');
    }
    if (pos_ == start) {
      return false;
    }
    const auto limit = static_cast<uint64_t>(INT64_MAX);
    if (magnitude > limit + (negative ? 1 : 0)) {
      return false;
    }
    const int64_t value =
        negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    if (value < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        value > static_cast<int64_t>(std::numeric_limits<T>::max())) {
      return false;
    }
    out = static_cast<T>(value);
    return true;
  }

  // A count, or "-" for one that was never given.
  bool count(std::optional<int32_t>& out) {
    if (startsWith("-") && (pos_ + 1 == text_.size() || text_[pos_ + 1] == ' ')) {
      ++pos_;
      out.reset();
      return true;
    }
    int32_t value = 0;
    if (!integer(value)) {
      return false;
    }
    out = value;
    return true;
  }

  bool text(std::optional<std::string>& out) {
    if (literal("(null)")) {
      out.reset();
      return true;
    }
    if (!literal("\"")) {
      return false;
    }
    std::string value;
    while (!atEnd()) {
      const char c = text_[pos_++];
      if (c == '"') {
        out = std::move(value);
        return true;
      }
      if (c != '\\') {
        value += c;
        continue;
      }
      if (atEnd()) {
        return false;
      }
      const char escaped = text_[pos_++];
      switch (escaped) {
        case '\\':
        case '"':
          value += escaped;
          break;
        case 'n':
          value += '\n';
          break;
        case 'r':
          value += '\r';
          break;
        case 't':
          value += '\t';
          break;
        case 'x': {
          uint8_t byte = 0;
          if (!hexByte(byte)) {
            return false;
          }
          value += static_cast<char>(byte);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  bool hexBytes(std::vector<uint8_t>& out) {
    out.clear();
    while (!atEnd() && text_[pos_] != ' ') {
      uint8_t byte = 0;
      if (!hexByte(byte)) {
        return false;
      }
      out.push_back(byte);
    }
    return true;
  }

  std::string word() {
    const size_t start = pos_;
    while (!atEnd() && text_[pos_] != ' ') {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }

 private:
  static int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
      return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
      return c - 'a' + 10;
    }
    return -1;
  }

  bool hexByte(uint8_t& out) {
    if (text_.size() - pos_ < 2) {
      return false;
    }
    const int high = hexDigit(text_[pos_]);
    const int low = hexDigit(text_[pos_ + 1]);
    if (high < 0 || low < 0) {
      return false;
    }
    pos_ += 2;
    out = static_cast<uint8_t>(high * 16 + low);
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

inline bool parseItem(Cursor& in, Item& item) {
  if (!in.oneOf("PRF", item.kind) || !in.integer(item.index) || !in.literal(" name=") ||
      !in.text(item.name) || !in.literal(" type=") || !in.integer(item.type) ||
      !in.literal(" esize=") || !in.integer(item.elementSize) || !in.literal(" size=") ||
      !in.integer(item.totalSize)) {
    return false;
  }
  if (item.kind == 'F') {
    int32_t succeeded = 0;
    if (!in.literal(" ok=") || !in.integer(succeeded)) {
      return false;
    }
    item.succeeded = succeeded;
  }
  if (!in.literal(" bytes=")) {
    return false;
  }
  item.dataNull = in.literal("null");
  if (!item.dataNull && !in.hexBytes(item.bytes)) {
    return false;
  }
  if (in.literal(" value=")) {
    if (item.type == 45) {
      if (!in.text(item.value) || !item.value) {
        return false;
      }
    } else {
      item.value = in.word();
    }
  }
  return true;
}

}  // namespace detail

// One line, with or without its '\n'; empty when it is not a record line.
inline std::optional<Record> parseRecord(std::string_view line) {
  if (!line.empty() && line.back() == '\n') {
    line.remove_suffix(1);
  }
  detail::Cursor in(line);
  Record record;
  if (!in.literal("SNOOPR pid=") || !in.integer(record.pid) || !in.literal(" tid=") ||
      !in.integer(record.tid) || !in.literal(" fn=") || !in.text(record.functionName) ||
      !in.literal(" id=") || !in.integer(record.functionId) || !in.literal(" api=") ||
      !in.integer(record.apiType) || !in.literal(" flags=") || !in.integer(record.flags) ||
      !in.literal(" params=") || !in.count(record.paramCount) || !in.literal(" returns=") ||
      !in.count(record.returnCount)) {
    return std::nullopt;
  }
  while (in.literal(" ")) {
    Item item;
    if (!detail::parseItem(in, item)) {
      return std::nullopt;
    }
    (item.kind == 'P' ? record.params : record.returns).push_back(std::move(item));
  }
  if (!in.atEnd()) {
    return std::nullopt;
  }
  return record;
}

struct RecordFile {
  std::vector<Record> records;
  std::vector<std::string> malformedLines;
};

// The lines of a log file as written, without their line feeds; a missing
// file reads as empty.
inline std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    lines.push_back(line);
  }
  return lines;
}

// Every line of a log file, parsed.
inline RecordFile readRecordFile(const std::string& path) {
  RecordFile file;
  for (const std::string& line : readLines(path)) {
    if (auto record = parseRecord(line)) {
      file.records.push_back(std::move(*record));
    } else {
      file.malformedLines.push_back(line);
    }
  }
  return file;
}

// Points SNOOPR_LOG_FILE at a fresh file for the scope, then puts the old
// value back. Use it while no other thread is recording.
class ScopedLogFile {
 public:
  explicit ScopedLogFile(std::string path) : path_(std::move(path)) {
    if (const char* old = std::getenv("SNOOPR_LOG_FILE")) {
      old_ = old;
    }
    std::remove(path_.c_str());
    setenv("SNOOPR_LOG_FILE", path_.c_str(), 1);
  }
  ~ScopedLogFile() {
    if (old_) {
      setenv("SNOOPR_LOG_FILE", old_->c_str(), 1);
    } else {
      unsetenv("SNOOPR_LOG_FILE");
    }
    std::remove(path_.c_str());
  }
  ScopedLogFile(const ScopedLogFile&) = delete;
  ScopedLogFile& operator=(const ScopedLogFile&) = delete;

  const std::string& path() const { return path_; }
  RecordFile read() const { return readRecordFile(path_); }
  // The lines as written (readable lines, SNOOPR_FORMAT=readable).
  std::vector<std::string> lines() const { return readLines(path_); }

 private:
  std::string path_;
  std::optional<std::string> old_;
};

}  // namespace snoopr
