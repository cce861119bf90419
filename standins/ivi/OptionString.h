// The standard IVI option string, as Ivi_SpecificDriverNew reads it (the
// syntax is documented in IviStandin.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "IviStandinInternal.h"

namespace ivistandin {

struct OptionSetting {
  const EngineAttribute* attribute;
  std::string value;  // "1" or "0" for booleans, the raw text for DriverSetup
};

struct ParsedOptions {
  ViStatus status = VI_SUCCESS;
  std::string problem;  // the elaboration when status is an error
  std::vector<OptionSetting> settings;
};

ParsedOptions parseOptionString(const char* text);

// Space, tab, CR and LF off both ends.
std::string_view trimBlanks(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace ivistandin
