#include "driversetup/ParserStringUtils.h"

namespace voslid {
namespace parserStringUtils {

namespace {

// Locale-independent, unlike std::tolower.
constexpr char asciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string_view trim(std::string_view text, std::string_view space) {
  const size_t first = text.find_first_not_of(space);
  if (first == std::string_view::npos) return text.substr(text.size());
  const size_t last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

size_t findAsciiNoCase(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return std::string_view::npos;
  for (size_t at = 0; at + needle.size() <= text.size(); ++at) {
    if (equalsAsciiNoCase(text.substr(at, needle.size()), needle)) return at;
  }
  return std::string_view::npos;
}

bool equalsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace parserStringUtils
}  // namespace voslid
