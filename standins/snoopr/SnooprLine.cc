// The raw line of a record, and what both line forms share: the decoding
// of type codes and the text helpers.
#include <sys/syscall.h>
#include <unistd.h>

#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "SnooprLine.h"

namespace snooprlog {

Kind kindOf(int32_t type, int32_t elementSize) {
  switch (type) {
    case 45:
      return Kind::kText;
    case 3:
    case 7:
    case 23:
    case 97:
      return Kind::kSigned;
    case 4:
    case 8:
      return elementSize == 8 ? Kind::kAddress : Kind::kSigned;
    case 12:
      return elementSize == 8 ? Kind::kAddress : Kind::kBytes;
    case 1:
    case 29:
    case 35:
      return Kind::kUnsigned;
    case 21:
      return Kind::kBoolean;
    case 19:
    case 20:
      return Kind::kReal;
    case 2:
    case 14:
    case 22:
    case 24:
    case 36:
    case 98:
      return Kind::kAddress;
    default:
      return Kind::kNone;
  }
}

bool decodes(Kind kind, int32_t width) {
  switch (kind) {
    case Kind::kSigned:
    case Kind::kUnsigned:
    case Kind::kBoolean:
      return width == 1 || width == 2 || width == 4 || width == 8;
    case Kind::kReal:
      return width == 4 || width == 8;
    case Kind::kAddress:
      return width == 8;
    case Kind::kBytes:
      return width == 1;
    default:
      return false;
  }
}

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

namespace {

constexpr char kHex[] = "0123456789abcdef";

}  // namespace

void appendText(std::string& out, const std::string& text) {
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

namespace {

void appendOptionalText(std::string& out, bool present, const std::string& text) {
  if (present) {
    appendText(out, text);
  } else {
    out += "(null)";
  }
}

void appendHex(std::string& out, const std::string& bytes) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += kHex[byte >> 4];
    out += kHex[byte & 0xf];
  }
}

}  // namespace

template <typename T>
T elementAt(const std::string& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

uint64_t integerAt(const std::string& bytes, size_t offset, int32_t width, bool isSigned) {
  uint64_t bits = 0;
  std::memcpy(&bits, bytes.data() + offset, static_cast<size_t>(width));
  const int unused = 64 - 8 * width;
  if (isSigned && unused > 0) {
    bits = static_cast<uint64_t>(static_cast<int64_t>(bits << unused) >> unused);
  }
  return bits;
}

double realAt(const std::string& bytes, size_t offset, int32_t width) {
  return width == 4 ? double{elementAt<float>(bytes, offset)} : elementAt<double>(bytes, offset);
}

namespace {

// The raw line shows booleans as plain numbers and leaves single bytes as
// the hex bytes show them.
Kind rawKind(int32_t type, int32_t elementSize) {
  const Kind kind = kindOf(type, elementSize);
  if (kind == Kind::kBoolean) return Kind::kUnsigned;
  return kind == Kind::kBytes ? Kind::kNone : kind;
}

void appendNumber(std::string& out, Kind kind, const std::string& bytes, size_t offset, int32_t width) {
  switch (kind) {
    case Kind::kSigned:
      appendFormatted(out, "%" PRId64, static_cast<int64_t>(integerAt(bytes, offset, width, true)));
      break;
    case Kind::kUnsigned:
      appendFormatted(out, "%" PRIu64, integerAt(bytes, offset, width, false));
      break;
    case Kind::kAddress:
      appendFormatted(out, "0x%" PRIx64, integerAt(bytes, offset, width, false));
      break;
    default: {
      const double value = realAt(bytes, offset, width);
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
  const Kind kind = rawKind(item.type, item.elementSize);
  if (kind == Kind::kText) {
    out += " value=";
    appendText(out, item.bytes);
    return;
  }
  if (!decodes(kind, item.elementSize)) {
    return;
  }
  const auto width = static_cast<size_t>(item.elementSize);
  const size_t count = item.bytes.size() / width;
  for (size_t i = 0; i < count; ++i) {
    out += i == 0 ? " value=" : ",";
    appendNumber(out, kind, item.bytes, i * width, item.elementSize);
  }
}

void appendCount(std::string& out, bool present, int32_t count) {
  if (present) {
    appendFormatted(out, "%" PRId32, count);
  } else {
    out += '-';
  }
}

}  // namespace

std::string rawLine(const Record& record) {
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

}  // namespace snooprlog
