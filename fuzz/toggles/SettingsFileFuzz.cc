// Reads arbitrary bytes as a settings file and looks entries up in it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "toggles/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  runtime_toggles::SettingsFile file;
  const int result = file.parse(text, size);
  namespace reading = runtime_toggles::reading;
  if (result != reading::kSuccess && result != reading::kUnsupportedEncoding &&
      result != reading::kOutOfMemory) {
    std::abort();
  }
  // The input's own words as section and key, besides the driver's toggle.
  const std::string_view input(text, size);
  const std::string_view firstWord = input.substr(0, input.find_first_of("\n\r\0=]", 0, 5));
  bool value = false;
  for (std::string_view section : {std::string_view("tovikCEIP"), firstWord}) {
    for (std::string_view key : {std::string_view("Value"), firstWord}) {
      const runtime_toggles::BooleanEntry found = file.booleanEntry(section, key, value);
      if ((found == runtime_toggles::BooleanEntry::kNotFound) == file.hasEntry(section, key)) {
        std::abort();
      }
    }
  }
  return 0;
}
