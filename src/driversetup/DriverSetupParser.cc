#include "driversetup/DriverSetupParser.h"

#include <new>
#include <string_view>

#include "driversetup/ParserStringUtils.h"
#include "status/Raise.h"

namespace voslid {

DriverSetupParser::~DriverSetupParser() = default;

void DriverSetupParser::extractDriverSetup(const char* optionString, std::string& output,
                                           voerr::Status& status) {
  if (status.isError() || optionString == nullptr) return;
  const std::string_view text =
      parserStringUtils::trim(optionString, parserStringUtils::kOptionSpace);
  if (text.empty()) return;
  try {
    if (text.find('=') == std::string_view::npos) {
      output.assign(text);
      return;
    }
    const size_t key = parserStringUtils::findAsciiNoCase(text, "DriverSetup");
    if (key == std::string_view::npos) return;
    const size_t equals = text.find('=', key);
    if (equals == std::string_view::npos) return;
    const size_t begin = equals + 1;
    const size_t end = text.find(',', begin);
    output.assign(text.substr(begin, end == std::string_view::npos ? end : end - begin));
  } catch (const std::bad_alloc&) {
    TOVIK_RAISE_PLAIN(voerr::codes::kMemoryFull).into(status);
  }
}

}  // namespace voslid
