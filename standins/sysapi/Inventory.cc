#include "Inventory.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "vosysapi_standin.h"

namespace vosysstandin {
namespace {

const char* const kOperationNames[] = {
    "instantiate", "findHardware", "listExperts", "createPropertyBag", "next",      "queryInterface",
    "setString",   "getBool",      "getInt32",    "getUInt32",         "getString", "getName"};
static_assert(sizeof kOperationNames / sizeof kOperationNames[0] ==
                  static_cast<size_t>(Operation::kCount),
              "one name per operation");

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Strict UTF-8: the configuration is ours, so a bad byte is a mistake to
// report rather than to paper over.
bool decodeUtf8(const std::string& text, std::u32string& out) {
  out.clear();
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    char32_t value = 0;
    if (lead < 0x80) {
      value = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      value = lead & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    out.push_back(value);
    i += extra + 1;
  }
  return true;
}

// Splits off the next blank-separated word of `rest`.
std::string nextWord(std::string& rest) {
  size_t begin = 0;
  while (begin < rest.size() && isBlank(rest[begin])) ++begin;
  size_t end = begin;
  while (end < rest.size() && !isBlank(rest[end])) ++end;
  std::string word = rest.substr(begin, end - begin);
  rest.erase(0, end);
  return word;
}

// The rest of the line without the blanks around it.
std::string remainder(const std::string& rest) {
  size_t begin = 0;
  while (begin < rest.size() && isBlank(rest[begin])) ++begin;
  size_t end = rest.size();
  while (end > begin && isBlank(rest[end - 1])) --end;
  return rest.substr(begin, end - begin);
}

bool parseNumber(const std::string& word, int64_t low, int64_t high, int64_t& value) {
  if (word.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(word.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kUInt32Max = std::numeric_limits<uint32_t>::max();

// A result code: signed, or its unsigned 32-bit pattern (0x80004005).
bool parseCode(const std::string& word, VosysResult& code) {
  int64_t value = 0;
  if (!parseNumber(word, kInt32Min, kUInt32Max, value)) return false;
  code = static_cast<VosysResult>(static_cast<uint32_t>(value));
  return true;
}

bool parseTag(const std::string& word, uint32_t& tag) {
  int64_t value = 0;
  if (!parseNumber(word, 0, kUInt32Max, value)) return false;
  tag = static_cast<uint32_t>(value);
  return true;
}

// One line; false with `error` set when it is malformed.
bool parseLine(const std::string& line, Inventory& inventory, std::string& error) {
  std::string rest = line;
  const std::string keyword = nextWord(rest);
  if (keyword.empty() || keyword[0] == '#') return true;

  if (keyword == "expert" || keyword == "device") {
    std::u32string name;
    if (!decodeUtf8(remainder(rest), name) || name.empty()) {
      error = "expects a name in UTF-8";
      return false;
    }
    if (keyword == "expert") {
      inventory.experts.push_back(name);
    } else {
      Device device;
      device.name = name;
      device.properties[kVosysTagResourceName] = {PropertyValue::kString, 0, name};
      inventory.devices.push_back(std::move(device));
    }
    return true;
  }
  if (keyword == "fail") {
    Operation operation;
    VosysResult code = 0;
    if (!operationByName(nextWord(rest), operation) || !parseCode(nextWord(rest), code) ||
        !remainder(rest).empty()) {
      error = "expects: fail <operation> <code>";
      return false;
    }
    inventory.failures[operation] = code;
    return true;
  }

  // Everything else describes the latest device.
  static const char* const kDeviceEntries[] = {"int32", "uint32", "bool", "string", "result",
                                               "nobag"};
  bool known = false;
  for (const char* entry : kDeviceEntries) known = known || keyword == entry;
  if (!known) {
    error = "unknown entry '" + keyword + "'";
    return false;
  }
  if (inventory.devices.empty()) {
    error = "'" + keyword + "' before any device";
    return false;
  }
  Device& device = inventory.devices.back();
  if (keyword == "nobag") {
    if (!remainder(rest).empty()) {
      error = "nobag takes nothing";
      return false;
    }
    device.refusesBag = true;
    return true;
  }
  if (keyword == "result") {
    Operation operation;
    uint32_t tag = 0;
    VosysResult code = 0;
    if (!operationByName(nextWord(rest), operation) || !parseTag(nextWord(rest), tag) ||
        !parseCode(nextWord(rest), code) || !remainder(rest).empty()) {
      error = "expects: result <operation> <tag> <code>";
      return false;
    }
    device.results[{operation, tag}] = code;
    return true;
  }

  uint32_t tag = 0;
  if (!parseTag(nextWord(rest), tag)) {
    error = "expects a property tag after '" + keyword + "'";
    return false;
  }
  PropertyValue value;
  bool ok = true;
  if (keyword == "string") {
    value.kind = PropertyValue::kString;
    ok = decodeUtf8(remainder(rest), value.text);
  } else {
    const std::string word = nextWord(rest);
    ok = remainder(rest).empty();
    if (keyword == "int32") {
      value.kind = PropertyValue::kInt32;
      ok = ok && parseNumber(word, kInt32Min, kInt32Max, value.number);
    } else if (keyword == "uint32") {
      value.kind = PropertyValue::kUInt32;
      ok = ok && parseNumber(word, 0, kUInt32Max, value.number);
    } else {  // bool
      value.kind = PropertyValue::kBool;
      if (word == "true" || word == "false") {
        value.number = word == "true" ? 1 : 0;
      } else {
        ok = ok && parseNumber(word, kInt32Min, kInt32Max, value.number);
      }
    }
  }
  if (!ok) {
    error = "bad value for '" + keyword + "'";
    return false;
  }
  device.properties[tag] = std::move(value);
  return true;
}

}  // namespace

bool operationByName(const std::string& name, Operation& operation) {
  for (size_t i = 0; i < static_cast<size_t>(Operation::kCount); ++i) {
    if (name == kOperationNames[i]) {
      operation = static_cast<Operation>(i);
      return true;
    }
  }
  return false;
}

std::string configurationPath() {
  const char* configured = std::getenv(VOSYSAPI_STANDIN_CONFIG_VARIABLE);
  return configured != nullptr ? configured : VOSYSAPI_STANDIN_DEFAULT_CONFIG;
}

bool loadInventory(const std::string& path, Inventory& inventory, std::string& error) {
  inventory = Inventory();
  std::ifstream file(path);
  if (!file) return true;
  std::string line;
  for (size_t number = 1; std::getline(file, line); ++number) {
    std::string problem;
    if (!parseLine(line, inventory, problem)) {
      error = path + ":" + std::to_string(number) + ": " + problem;
      inventory = Inventory();
      return false;
    }
  }
  return true;
}

}  // namespace vosysstandin
