// The trace logger: records built in memory, one text line each (the format
// is described in SnooprLog.h).
#include "SnooprLog.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int64_t kMaxItemBytes = int64_t{1} << 20;

int32_t modeFromEnvironment() {
  const char* value = std::getenv("SNOOPR_ENABLE");
  return (value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0) ? 1 : 0;
}

// Written by callers through SnooprModeLocation, possibly from other threads.
int32_t gMode = modeFromEnvironment();

std::mutex gWriteMutex;

// Calls of the record entry points, for tests that check a caller made none.
std::atomic<uint64_t> gEntryCalls{0};
void countCall() { gEntryCalls.fetch_add(1, std::memory_order_relaxed); }

struct Item {
  char kind = 'P';
  int32_t index = 0;
  bool hasName = false;
  std::string name;
  int32_t type = 0;
  int32_t elementSize = 0;
  int64_t totalSize = 0;
  int32_t succeeded = 0;
  bool dataNull = false;
  std::string bytes;
};

struct Record {
  int32_t apiType = 0;
  int32_t functionId = 0;
  int32_t flags = 0;
  bool hasFunctionName = false;
  std::string functionName;
  bool paramsEnded = false;
  int32_t paramCount = 0;
  bool returnsEnded = false;
  int32_t returnCount = 0;
  bool written = false;
  std::vector<Item> items;
};

enum class Decoding { kNone, kSigned, kUnsigned, kFloat, kAddress, kText };

Decoding decodingFor(int32_t type, int32_t elementSize) {
  switch (type) {
    case 45:
      return Decoding::kText;
    case 3:
    case 7:
    case 23:
    case 97:
      return Decoding::kSigned;
    case 4:
    case 8:
      return elementSize == 8 ? Decoding::kAddress : Decoding::kSigned;
    case 12:
      return elementSize == 8 ? Decoding::kAddress : Decoding::kNone;
    case 1:
    case 21:
    case 29:
    case 35:
      return Decoding::kUnsigned;
    case 19:
    case 20:
      return Decoding::kFloat;
    case 2:
    case 14:
    case 22:
    case 24:
    case 36:
    case 98:
      return Decoding::kAddress;
    default:
      return Decoding::kNone;
  }
}

bool widthDecodes(Decoding decoding, int32_t width) {
  switch (decoding) {
    case Decoding::kSigned:
    case Decoding::kUnsigned:
      return width == 1 || width == 2 || width == 4 || width == 8;
    case Decoding::kFloat:
      return width == 4 || width == 8;
    case Decoding::kAddress:
      return width == 8;
    default:
      return false;
  }
}

void appendFormatted(std::string& out, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

void appendFormatted(std::string& out, const char* format, ...) {
  char buffer[128];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  if (length > 0) {
    out.append(buffer, static_cast<size_t>(length) < sizeof buffer ? static_cast<size_t>(length)
                                                                   : sizeof buffer - 1);
  }
}

void appendText(std::string& out, const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (byte < 0x20 || byte >= 0x7f) {
          out += "\\x";
          out += kHex[byte >> 4];
          out += kHex[byte & 0xf];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void appendOptionalText(std::string& out, bool present, const std::string& text) {
  if (present) {
    appendText(out, text);
  } else {
    out += "(null)";
  }
}

void appendHex(std::string& out, const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHex[byte >> 4];
    out += kHex[byte & 0xf];
  }
}

template <typename T>
T elementAt(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

// The integer element of `width` bytes at `offset` (host byte order),
// sign-extended to 64 bits when `isSigned`.
uint64_t integerAt(const std::string& bytes, size_t offset, int32_t width, bool isSigned) {
  uint64_t bits = 0;
  std::memcpy(&bits, bytes.data() + offset, static_cast<size_t>(width));
  const int unused = 64 - 8 * width;
  if (isSigned && unused > 0) {
    bits = static_cast<uint64_t>(static_cast<int64_t>(bits << unused) >> unused);
  }
  return bits;
}

void appendNumber(std::string& out, Decoding decoding, const std::string& bytes, size_t offset,
                  int32_t width) {
  switch (decoding) {
    case Decoding::kSigned:
      appendFormatted(out, "%" PRId64, static_cast<int64_t>(integerAt(bytes, offset, width, true)));
      break;
    case Decoding::kUnsigned:
      appendFormatted(out, "%" PRIu64, integerAt(bytes, offset, width, false));
      break;
    case Decoding::kAddress:
      appendFormatted(out, "0x%" PRIx64, integerAt(bytes, offset, width, false));
      break;
    default: {
      const double value =
          width == 4 ? double{elementAt<float>(bytes, offset)} : elementAt<double>(bytes, offset);
      if (std::isnan(value)) {
        out += "nan";
      } else if (std::isinf(value)) {
        out += value < 0 ? "-inf" : "inf";
      } else {
        appendFormatted(out, "%.17g", value);
      }
    }
  }
}

void appendValue(std::string& out, const Item& item) {
  if (item.dataNull) {
    return;
  }
  const Decoding decoding = decodingFor(item.type, item.elementSize);
  if (decoding == Decoding::kText) {
    out += " value=";
    appendText(out, item.bytes);
    return;
  }
  if (!widthDecodes(decoding, item.elementSize)) {
    return;
  }
  const auto width = static_cast<size_t>(item.elementSize);
  const size_t count = item.bytes.size() / width;
  for (size_t i = 0; i < count; ++i) {
    out += i == 0 ? " value=" : ",";
    appendNumber(out, decoding, item.bytes, i * width, item.elementSize);
  }
}

void appendCount(std::string& out, bool present, int32_t count) {
  if (present) {
    appendFormatted(out, "%" PRId32, count);
  } else {
    out += '-';
  }
}

std::string formatLine(const Record& record) {
  std::string line = "SNOOPR";
  appendFormatted(line, " pid=%ld tid=%ld fn=", static_cast<long>(getpid()),
                  static_cast<long>(syscall(SYS_gettid)));
  appendOptionalText(line, record.hasFunctionName, record.functionName);
  appendFormatted(line,
                  " id=%" PRId32 " api=%" PRId32 " flags=%" PRId32 " params=", record.functionId,
                  record.apiType, record.flags);
  appendCount(line, record.paramsEnded, record.paramCount);
  line += " returns=";
  appendCount(line, record.returnsEnded, record.returnCount);
  for (const Item& item : record.items) {
    appendFormatted(line, " %c%" PRId32 " name=", item.kind, item.index);
    appendOptionalText(line, item.hasName, item.name);
    appendFormatted(line, " type=%" PRId32 " esize=%" PRId32 " size=%" PRId64, item.type,
                    item.elementSize, item.totalSize);
    if (item.kind == 'F') {
      appendFormatted(line, " ok=%" PRId32, item.succeeded);
    }
    line += " bytes=";
    if (item.dataNull) {
      line += "null";
    } else {
      appendHex(line, item.bytes);
    }
    appendValue(line, item);
  }
  line += '\n';
  return line;
}

void writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    done += static_cast<size_t>(written);
  }
}

void writeLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(gWriteMutex);
  const char* path = std::getenv("SNOOPR_LOG_FILE");
  if (path == nullptr || *path == '\0') {
    writeAll(STDERR_FILENO, line);
    return;
  }
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    return;
  }
  writeAll(fd, line);
  ::close(fd);
}

// Writes the record's line once; an out-of-memory failure drops the line.
void finish(Record& record) {
  if (record.written) {
    return;
  }
  record.written = true;
  try {
    writeLine(formatLine(record));
  } catch (...) {
  }
}

void addItem(void* cookie, char kind, int32_t index, const void* data, int32_t elementSize,
             int64_t totalSize, const char* name, int32_t typeCode, int32_t succeeded) {
  auto* record = static_cast<Record*>(cookie);
  if (record == nullptr || record->written) {
    return;
  }
  try {
    Item item;
    item.kind = kind;
    item.index = index;
    item.hasName = name != nullptr;
    if (name != nullptr) {
      item.name = name;
    }
    item.type = typeCode;
    item.elementSize = elementSize;
    item.totalSize = totalSize;
    item.succeeded = succeeded;
    item.dataNull = data == nullptr;
    if (data != nullptr && totalSize > 0) {
      const int64_t recorded = totalSize < kMaxItemBytes ? totalSize : kMaxItemBytes;
      item.bytes.assign(static_cast<const char*>(data), static_cast<size_t>(recorded));
    }
    record->items.push_back(std::move(item));
  } catch (...) {
  }
}

}  // namespace

extern "C" {

void* SnooprGetCookie(int32_t apiType, int32_t functionId, int32_t flags,
                      const char* functionName) {
  countCall();
  if (__atomic_load_n(&gMode, __ATOMIC_RELAXED) == 0) {
    return nullptr;
  }
  try {
    auto* record = new Record;
    record->apiType = apiType;
    record->functionId = functionId;
    record->flags = flags;
    record->hasFunctionName = functionName != nullptr;
    if (functionName != nullptr) {
      record->functionName = functionName;
    }
    return record;
  } catch (...) {
    return nullptr;
  }
}

void SnooprSetParamElementSize_generic(void* cookie, int32_t index, const void* data,
                                       int32_t elementSize, int64_t totalSize, const char* name,
                                       int32_t typeCode) {
  countCall();
  addItem(cookie, 'P', index, data, elementSize, totalSize, name, typeCode, 0);
}

void SnooprEndParams(void* cookie, int32_t count) {
  countCall();
  auto* record = static_cast<Record*>(cookie);
  if (record != nullptr && !record->written) {
    record->paramsEnded = true;
    record->paramCount = count;
  }
}

void SnooprSetReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                        int32_t elementSize, int64_t totalSize, const char* name,
                                        int32_t typeCode) {
  countCall();
  addItem(cookie, 'R', index, data, elementSize, totalSize, name, typeCode, 0);
}

void SnooprSetFuncReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                            int32_t elementSize, int64_t totalSize,
                                            const char* name, int32_t typeCode, int32_t succeeded) {
  countCall();
  addItem(cookie, 'F', index, data, elementSize, totalSize, name, typeCode, succeeded);
}

void SnooprEndReturns(void** cookiePointer, int32_t count) {
  countCall();
  if (cookiePointer == nullptr) {
    return;
  }
  auto* record = static_cast<Record*>(*cookiePointer);
  if (record == nullptr || record->written) {
    return;
  }
  record->returnsEnded = true;
  record->returnCount = count;
  finish(*record);
}

void SnooprFreeCookie(void* cookie) {
  countCall();
  auto* record = static_cast<Record*>(cookie);
  if (record == nullptr) {
    return;
  }
  finish(*record);
  delete record;
}

int32_t* SnooprModeLocation(void) { return &gMode; }

uint64_t SnooprStandin_entryCalls(void) { return gEntryCalls.load(std::memory_order_relaxed); }

}  // extern "C"
