// Reading a settings file: encoding, line ends, sections, entries, " Line" runs.
#include "toggles/SettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace runtime_toggles {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trimLeft(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && isBlank(text[begin])) ++begin;
  return text.substr(begin);
}

std::string_view trimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  return text.substr(0, end);
}

std::string_view trim(std::string_view text) { return trimRight(trimLeft(text)); }

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// The form names and keys are compared in.
std::string normalise(std::string_view text) {
  text = trim(text);
  std::string folded(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) folded[i] = lower(text[i]);
  return folded;
}

bool equalsFolded(std::string_view text, std::string_view lowerWord) {
  if (text.size() != lowerWord.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (lower(text[i]) != lowerWord[i]) return false;
  }
  return true;
}

// The number of a key ending in " Line<digits>": 1 for line one, 2 for any
// other number, 0 without the suffix. `baseLength` is the length of the key
// before the suffix.
int lineSuffix(std::string_view key, size_t& baseLength) {
  size_t digits = key.size();
  while (digits > 0 && key[digits - 1] >= '0' && key[digits - 1] <= '9') --digits;
  constexpr std::string_view kSuffix = " line";
  if (digits == key.size() || digits < kSuffix.size() ||
      !equalsFolded(key.substr(digits - kSuffix.size(), kSuffix.size()), kSuffix)) {
    return 0;
  }
  baseLength = digits - kSuffix.size();
  std::string_view number = key.substr(digits);
  while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);
  return number == "1" ? 1 : 2;
}

// Closes the file however load() is left, a thread's cancellation included.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

const SettingsFile::Entry* SettingsFile::Section::find(std::string_view normalisedKey) const {
  if (index.empty()) {
    for (const Entry& entry : entries) {
      if (entry.key == normalisedKey) return &entry;
    }
    return nullptr;
  }
  const auto slot = index.find(normalisedKey);
  return slot == index.end() ? nullptr : &entries[slot->second];
}

void SettingsFile::Section::put(std::string normalisedKey, std::string value) {
  if (const Entry* existing = find(normalisedKey)) {
    entries[static_cast<size_t>(existing - entries.data())].value = std::move(value);
    return;
  }
  const bool reallocates = entries.size() == entries.capacity();
  entries.push_back(Entry{std::move(normalisedKey), std::move(value)});
  if (entries.size() <= kLinearLimit) return;
  if (index.empty() || reallocates) {
    // The views follow the keys: (re)index when the entries moved.
    index.clear();
    index.reserve(entries.capacity());
    for (size_t i = 0; i < entries.size(); ++i) index.emplace(entries[i].key, i);
  } else {
    index.emplace(entries.back().key, entries.size() - 1);
  }
}

// A run "<key> Line1", then keys with any other line number, becomes the
// one entry <key> holding the run's values joined in order.
void SettingsFile::Section::joinLineRuns() {
  size_t baseLength = 0;
  bool anyRun = false;
  for (const Entry& e : entries) anyRun = anyRun || lineSuffix(e.key, baseLength) == 1;
  if (!anyRun) return;
  Section joined;
  joined.entries.reserve(entries.size());
  for (size_t i = 0; i < entries.size();) {
    if (lineSuffix(entries[i].key, baseLength) != 1) {
      joined.put(std::move(entries[i].key), std::move(entries[i].value));
      ++i;
      continue;
    }
    std::string base(trimRight(std::string_view(entries[i].key).substr(0, baseLength)));
    std::string value = std::move(entries[i].value);
    size_t next = i + 1;
    size_t ignored = 0;
    while (next < entries.size() && lineSuffix(entries[next].key, ignored) == 2) {
      value += entries[next].value;
      ++next;
    }
    joined.put(std::move(base), std::move(value));
    i = next;
  }
  *this = std::move(joined);
}

void SettingsFile::clear() {
  sections_.clear();
  sectionIndex_.clear();
}

int SettingsFile::load(const char* path) {
  clear();
  if (path == nullptr || *path == '\0') return result_ = reading::kFileNotFound;
  // Non-blocking so that opening a FIFO returns at once; only regular files
  // are read.
  const Descriptor file{::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)};
  if (file.fd < 0) {
    return result_ = (errno == ENOENT || errno == ENOTDIR) ? reading::kFileNotFound
                                                           : reading::kCannotOpen;
  }
  struct stat info {};
  if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return result_ = reading::kCannotOpen;

  std::string text;
  try {
    text.resize(static_cast<size_t>(info.st_size) + 1);
    size_t length = 0;
    for (;;) {
      if (length == text.size()) text.resize(text.size() * 2);  // the file grew meanwhile
      const ssize_t count = ::read(file.fd, &text[length], text.size() - length);
      if (count == 0) break;
      if (count < 0) {
        if (errno == EINTR) continue;
        return result_ = reading::kReadError;
      }
      length += static_cast<size_t>(count);
    }
    text.resize(length);
  } catch (const std::exception&) {  // bad_alloc, or a length beyond any string
    return result_ = reading::kOutOfMemory;
  }
  return parse(text.data(), text.size());
}

int SettingsFile::parse(const char* data, size_t size) noexcept {
  clear();
  try {
    result_ = parseText(data, size);
  } catch (const std::exception&) {
    clear();
    result_ = reading::kOutOfMemory;
  }
  return result_;
}

int SettingsFile::parseText(const char* data, size_t size) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  const auto startsWith = [&](std::initializer_list<unsigned char> mark) {
    if (size < mark.size()) return false;
    size_t i = 0;
    for (unsigned char byte : mark) {
      if (bytes[i++] != byte) return false;
    }
    return true;
  };
  if (startsWith({0xFF, 0xFE}) || startsWith({0xFE, 0xFF}) || startsWith({0x00, 0x00, 0xFE, 0xFF})) {
    return reading::kUnsupportedEncoding;  // UTF-16 either way, or UTF-32 (LE starts FF FE too)
  }
  size_t position = startsWith({0xEF, 0xBB, 0xBF}) ? 3 : 0;

  // A line ends at LF, CR or NUL; the empty line between a CR LF pair is
  // skipped like any other empty line.
  size_t current = kNoSection;
  while (position < size) {
    size_t end = position;
    while (end < size && data[end] != '\n' && data[end] != '\r' && data[end] != '\0') ++end;
    parseLine(std::string_view(data + position, end - position), current);
    position = end + 1;
  }
  for (Section& section : sections_) section.joinLineRuns();
  return reading::kSuccess;
}

void SettingsFile::parseLine(std::string_view line, size_t& current) {
  line = trimLeft(line);
  if (line.empty() || line.front() == ';') return;
  if (line.front() == '[') {
    const std::string_view name = trim(line.substr(1, line.find(']', 1) - 1));
    if (!name.empty()) current = openSection(name);
    return;
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return;
  const std::string_view key = trimRight(line.substr(0, equals));
  std::string_view value = trim(line.substr(equals + 1));
  if (key.empty() || value.empty() || current == kNoSection) return;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  sections_[current].put(normalise(key), std::string(value));
}

size_t SettingsFile::openSection(std::string_view name) {
  // A section's index views its entries' keys; they stay valid only if a
  // growing list of sections moves each section's storage instead of
  // copying it.
  static_assert(std::is_nothrow_move_constructible_v<Section>);
  const auto [slot, added] = sectionIndex_.emplace(normalise(name), sections_.size());
  if (added) sections_.emplace_back();
  return slot->second;
}

const std::string* SettingsFile::entry(std::string_view section, std::string_view key) const {
  const auto slot = sectionIndex_.find(normalise(section));
  if (slot == sectionIndex_.end()) return nullptr;
  const Entry* found = sections_[slot->second].find(normalise(key));
  return found ? &found->value : nullptr;
}

bool SettingsFile::hasEntry(std::string_view section, std::string_view key) const {
  return entry(section, key) != nullptr;
}

BooleanEntry SettingsFile::booleanEntry(std::string_view section, std::string_view key,
                                        bool& value) const {
  value = false;
  const std::string* text = entry(section, key);
  if (text == nullptr) return BooleanEntry::kNotFound;
  const std::string_view word = trim(*text);
  if (word.empty()) return BooleanEntry::kInvalid;
  value = equalsFolded(word, "true");
  return BooleanEntry::kFound;
}

}  // namespace runtime_toggles
