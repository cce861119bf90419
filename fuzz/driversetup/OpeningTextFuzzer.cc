// Fuzzes the text handling of the opening path as one sequence: the
// language lookup in the caller's option string, the option-string record
// and its recovery of a DriverSetup longer than the engine keeps, the
// DriverSetup parse with the reads the resolver makes, and the
// case-insensitive comparison that the repeated-tag check stands on. Long
// inputs matter here: a parse gone quadratic shows as a timeout.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "driversetup/CaseFolding.h"
#include "driversetup/DriverSetupParser.h"
#include "driversetup/DriverSetupUtilities.h"
#include "driversetup/GeneratorDriverSetupParser.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi/OptionStringInformation.h"
#include "status/Exception.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

int sign(int value) { return (value > 0) - (value < 0); }

// Folding once and comparing the folded forms agrees with comparing the
// texts; within a parsed group no two tags are equal either way. Groups
// small enough are also checked pair by pair.
void checkTags(const tessel::DriverSetupGroup& group) {
  for (size_t i = 0; i < group.size(); ++i) {
    const std::u32string folded = tessel::foldCase(group[i].first);
    if (i + 1 < group.size()) {
      const int compared = tessel::compareNoCase(group[i].first, group[i + 1].first);
      require(compared != 0);
      require(sign(compared) == sign(folded.compare(tessel::foldCase(group[i + 1].first))));
    }
    for (size_t j = i + 1; group.size() <= 64 && j < group.size(); ++j) {
      require(!tessel::equalsNoCase(group[i].first, group[j].first));
    }
  }
}

template <typename Read>
void attempt(Read read) {
  try {
    read();
  } catch (const voerr::Exception& error) {
    require(error.status().code < 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The option string is a C string: it ends at the first NUL.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const char* optionString = input.c_str();

  tovik::GeneratorDriverSetupParser parser;
  uint32_t language = 0;
  std::string copied;
  try {
    parser.extractLanguage(optionString, language, copied);
  } catch (const voerr::Exception& error) {
    require(error.status().code < 0);
    return 0;  // the open fails here
  }
  require(copied == optionString);

  std::string driverSetup;
  try {
    const miivi::IviWrapperFactory factory;
    const miivi::OptionStringInformation options("", copied.c_str(), factory, "tovik");
    driverSetup = options.getDriverSetup();
  } catch (const voerr::Exception& error) {
    require(error.status().code < 0);
    return 0;  // the engine refused the option string
  }
  // Beyond what the engine keeps, the record holds the caller's whole value.
  std::string extracted;
  voerr::Status status;
  voslid::DriverSetupParser().extractDriverSetup(copied.c_str(), extracted, status);
  require(status.code == 0);
  if (driverSetup.size() > 511) require(driverSetup == extracted);

  tessel::DriverSetupData parsed;
  try {
    parsed = tessel::parseDriverSetupString(driverSetup);
    parser.parse(driverSetup);
  } catch (const voerr::Exception& error) {
    require(error.status().code < 0);
    return 0;
  }
  for (const tessel::DriverSetupGroup& group : parsed) checkTags(group);
  attempt([&] { parser.getModel(); });
  attempt([&] { parser.getBoardType(); });
  attempt([&] { parser.getDebugSession(); });
  attempt([&] { parser.getLanguage(); });
  return 0;
}
