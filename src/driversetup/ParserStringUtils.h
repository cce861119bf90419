// Small byte-string helpers shared by the option-string and DriverSetup
// parsers.
#pragma once

#include <string_view>

namespace voslid {
namespace parserStringUtils {

// White space around an option string.
constexpr std::string_view kOptionSpace = " \t\r\n";
// White space around a DriverSetup tag or value.
constexpr std::string_view kDriverSetupSpace = " \t\n\v\f\r";

// `text` without leading and trailing characters of `space`.
std::string_view trim(std::string_view text, std::string_view space);

// Position of the first occurrence of `needle` in `text`, ignoring ASCII
// case, or npos.
size_t findAsciiNoCase(std::string_view text, std::string_view needle);

// Whether the two texts are equal ignoring ASCII case.
bool equalsAsciiNoCase(std::string_view a, std::string_view b);

}  // namespace parserStringUtils
}  // namespace voslid
