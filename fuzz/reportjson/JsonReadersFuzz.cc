// Walks arbitrary text with every report reader; they must stay inside it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "reportjson/ReportJson.h"

namespace json = voxlator::json;

namespace {

void walk(const char* position, int depth) {
  if (!position || depth > 64) return;
  json::Value value;
  const char* after = json::parseValue(position, value);
  if (!after) return;
  if (value.type == json::kString) {
    std::vector<char> out(value.rawLength + 1);
    json::decodeString(value.raw, value.rawLength, out.data());
  }
  json::integerValue(position, 0);
  if (value.type == json::kArray) {
    for (const char* e = json::firstElement(position); e;) {
      walk(e, depth + 1);
      json::Value element;
      const char* next = json::parseValue(e, element);
      e = next ? json::nextElement(next) : nullptr;
    }
  }
  if (value.type == json::kObject || value.type == json::kArray) json::containerEnd(position);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);  // adds the NUL readers rely on
  walk(text.c_str(), 0);
  for (const char* name : {"translator", "translator_info", "ordered_data", "", "a"}) {
    walk(json::findMember(text.c_str(), name), 0);
  }
  return 0;
}
