// Fuzzes the extraction of the DriverSetup value from an option string and
// the language lookup built on it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driversetup/DriverSetupParser.h"
#include "driversetup/GeneratorDriverSetupParser.h"
#include "status/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The option string is a C string: it ends at the first NUL.
  const std::string optionString(reinterpret_cast<const char*>(data), size);
  const char* text = optionString.c_str();
  const std::string visible(text);

  std::string output;
  voerr::Status status;
  voslid::DriverSetupParser().extractDriverSetup(text, output, status);
  if (status.code != 0) std::abort();
  // The value is a piece of the option string; with '=' it ends before ','.
  if (visible.find(output) == std::string::npos) std::abort();
  if (visible.find('=') != std::string::npos && output.find(',') != std::string::npos) {
    std::abort();
  }

  tovik::GeneratorDriverSetupParser parser;
  uint32_t language = 99;
  std::string copied;
  try {
    if (parser.extractLanguage(text, language, copied) && language > 6) std::abort();
  } catch (const voerr::Exception&) {
    if (language != 99) std::abort();
  }
  if (copied != visible) std::abort();
  return 0;
}
