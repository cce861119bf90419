// The readable line of a record: the call as a C programmer reads it,
//   tovik_ConfigureFrequency(vi=2, channelName="0", frequency=1000) = 0
// with what the call wrote through its pointers in place of the pointers,
// and a failed call's status in hexadecimal with its description.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SnooprLine.h"

namespace snooprlog {

namespace {

constexpr size_t kShownElements = 8;
constexpr const char* kPlaceholderPrefix = "dummy";
constexpr const char* kDescriptionName = "dummyerror";
constexpr const char* kAttributeNameName = "dummyattr";

bool isPlaceholder(const Item& item) {
  return item.hasName && item.name.compare(0, std::strlen(kPlaceholderPrefix), kPlaceholderPrefix) == 0;
}

// Whole numbers in full, others in the shortest text that reads back as
// the same number.
void appendReal(std::string& out, double value) {
  char text[40];
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    appendFormatted(out, "%.0f", value);
    return;
  }
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  out += text;
}

// A code with no decoding of its own is a pointer the call passed.
Kind readableKind(const Item& item) {
  const Kind kind = kindOf(item.type, item.elementSize);
  return kind == Kind::kNone ? Kind::kAddress : kind;
}

void appendElement(std::string& out, const Item& item, Kind kind, size_t offset) {
  const int32_t width = item.elementSize;
  switch (kind) {
    case Kind::kSigned:
      appendFormatted(out, "%" PRId64, static_cast<int64_t>(integerAt(item.bytes, offset, width, true)));
      break;
    case Kind::kUnsigned:
      appendFormatted(out, "%" PRIu64, integerAt(item.bytes, offset, width, false));
      break;
    case Kind::kBoolean: {
      const uint64_t value = integerAt(item.bytes, offset, width, false);
      if (value <= 1) {
        out += value ? "VI_TRUE" : "VI_FALSE";
      } else {
        appendFormatted(out, "%" PRIu64, value);
      }
      break;
    }
    case Kind::kReal:
      appendReal(out, realAt(item.bytes, offset, width));
      break;
    case Kind::kBytes:
      appendFormatted(out, "0x%02x", static_cast<unsigned>(static_cast<unsigned char>(item.bytes[offset])));
      break;
    case Kind::kNone:
    case Kind::kAddress:
    case Kind::kText: {
      const uint64_t address = integerAt(item.bytes, offset, width, false);
      if (address == 0) {
        out += "NULL";
      } else {
        appendFormatted(out, "0x%" PRIx64, address);
      }
    }
  }
}

bool isArrayCode(int32_t type) { return type == 4 || type == 8 || type == 12 || type == 20; }

// A value: a text, a number, an array in braces, or (`address`) the
// pointer an array parameter passed.
void appendValue(std::string& out, const Item& item, bool address) {
  if (item.dataNull) {
    out += "NULL";
    return;
  }
  const Kind kind = address ? Kind::kAddress : readableKind(item);
  if (kind == Kind::kText) {
    appendText(out, item.bytes);
    return;
  }
  const size_t width = static_cast<size_t>(item.elementSize);
  const size_t count = decodes(kind, item.elementSize) ? item.bytes.size() / width : 0;
  if (count == 0) {
    out += "?";
    return;
  }
  if (address || !isArrayCode(item.type)) {
    appendElement(out, item, kind, 0);
    return;
  }
  out += '{';
  for (size_t i = 0; i < count && i < kShownElements; ++i) {
    if (i > 0) out += ", ";
    appendElement(out, item, kind, i * width);
  }
  const int64_t total = item.totalSize / item.elementSize;
  if (total > static_cast<int64_t>(kShownElements)) appendFormatted(out, ", ... %" PRId64 " elements", total);
  out += '}';
}

// The return a parameter's pointer received: "*name" for a pointed-to
// value, "name" for a buffer or an array.
const Item* returnOf(const Record& record, const std::string& name) {
  for (const Item& item : record.items) {
    if (item.kind == 'R' && item.hasName && (item.name == name || item.name == "*" + name)) return &item;
  }
  return nullptr;
}

bool hasParameter(const Record& record, const std::string& name) {
  for (const Item& item : record.items) {
    if (item.kind == 'P' && item.hasName && item.name == name) return true;
  }
  return false;
}

void appendArgument(std::string& out, bool& first, const Item& item, const std::string& name, bool address) {
  out += first ? "" : ", ";
  first = false;
  out += name + "=";
  appendValue(out, item, address);
}

bool sameName(const Item& one, const Item& other) {
  return one.kind == other.kind && one.hasName == other.hasName && one.name == other.name;
}

}  // namespace

std::string readableLine(const Record& record, bool placeholders) {
  std::string line = record.hasFunctionName ? record.functionName : "(unknown)";
  line += '(';
  bool first = true;
  std::string attributeName;
  const std::vector<Item>& items = record.items;
  for (size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    if (item.kind != 'P') continue;
    if (item.hasName && item.name == kAttributeNameName && !item.bytes.empty()) attributeName = item.bytes;
    if (isPlaceholder(item) && !placeholders) continue;
    // An array comes as its address and then, under the same name, its
    // elements: the elements stand for it.
    if (i + 1 < items.size() && sameName(item, items[i + 1])) continue;
    const bool elements = i > 0 && sameName(items[i - 1], item);
    const std::string name = item.hasName ? item.name : "?";
    const Item* written = item.hasName ? returnOf(record, item.name) : nullptr;
    if (written != nullptr) {
      appendArgument(line, first, *written, written->name, false);
    } else {
      appendArgument(line, first, item, name, isArrayCode(item.type) && !elements);
    }
    if (name == "attributeId" && !attributeName.empty()) {
      line += " /* " + attributeName + " */";
      attributeName.clear();
    }
  }
  // Outputs recorded only on return, with no parameter before them.
  const Item* status = nullptr;
  const Item* description = nullptr;
  for (const Item& item : items) {
    if (item.kind == 'F') status = &item;
    if (item.kind != 'R' || !item.hasName) continue;
    if (item.name == kDescriptionName) description = &item;
    if (isPlaceholder(item) && !placeholders) continue;
    const std::string plain = item.name[0] == '*' ? item.name.substr(1) : item.name;
    if (!hasParameter(record, plain)) appendArgument(line, first, item, item.name, false);
  }
  line += ") = ";
  if (status == nullptr || status->bytes.size() < 4) {
    line += "(no status recorded)\n";
    return line;
  }
  const int64_t code = static_cast<int64_t>(integerAt(status->bytes, 0, 4, true));
  appendFormatted(line, "%" PRId64, code);
  if (code != 0) appendFormatted(line, " (0x%08" PRIX32 ")", static_cast<uint32_t>(code));
  if (description != nullptr && !description->bytes.empty()) {
    line += ' ';
    appendText(line, description->bytes);
  }
  line += '\n';
  return line;
}

}  // namespace snooprlog
