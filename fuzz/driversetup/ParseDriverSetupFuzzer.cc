// Fuzzes the DriverSetup grammar, the lookup and the getters on arbitrary
// bytes: either a voerr::Exception or a parsed form that keeps the grammar's
// promises.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "driversetup/CaseFolding.h"
#include "driversetup/DriverSetupUtilities.h"
#include "driversetup/GeneratorDriverSetupParser.h"
#include "status/Exception.h"

namespace {

void require(bool condition) {
  if (!condition) std::abort();
}

bool isTrimmedField(const std::string& field) {
  constexpr std::string_view kSpace = " \t\n\v\f\r";
  return !field.empty() && kSpace.find(field.front()) == std::string_view::npos &&
         kSpace.find(field.back()) == std::string_view::npos &&
         field.find_first_of(";&") == std::string::npos;
}

void readEverySetting(const std::string& text) {
  tovik::GeneratorDriverSetupParser parser;
  try {
    parser.parse(text);
  } catch (const voerr::Exception&) {
    return;
  }
  auto attempt = [](auto getter) {
    try {
      getter();
    } catch (const voerr::Exception&) {
    }
  };
  attempt([&] { parser.getModel(); });
  attempt([&] { parser.getBoardType(); });
  attempt([&] { parser.getDebugSession(); });
  attempt([&] { parser.getSlaveServer(); });
  attempt([&] { parser.getAutoCloseBehavior(); });
  attempt([&] { parser.getPriority(); });
  attempt([&] { parser.getToken0(); });
  attempt([&] { parser.getToken1(); });
  attempt([&] { parser.getToken2(); });
  attempt([&] { parser.getToken3(); });
  attempt([&] { parser.getLanguage(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // The comparison is antisymmetric on any split of the input.
  const std::string_view whole(text);
  const std::string_view left = whole.substr(0, size / 2);
  const std::string_view right = whole.substr(size / 2);
  const int forward = tessel::compareNoCase(left, right);
  const int backward = tessel::compareNoCase(right, left);
  require((forward < 0) == (backward > 0) && (forward == 0) == (backward == 0));
  require(tessel::compareNoCase(whole, whole) == 0);

  tessel::DriverSetupData parsed;
  try {
    parsed = tessel::parseDriverSetupString(text);
  } catch (const voerr::Exception& error) {
    require(error.status().code < 0);
    return 0;
  }
  for (const tessel::DriverSetupGroup& group : parsed) {
    require(!group.empty());
    for (const tessel::DriverSetupEntry& entry : group) {
      require(isTrimmedField(entry.first) && isTrimmedField(entry.second));
      require(entry.first.find(':') == std::string::npos);
      try {
        tessel::getDriverSetupValue(parsed, entry.first);
      } catch (const voerr::Exception& error) {
        require(parsed.size() >= 2);
      }
    }
  }
  readEverySetting(text);
  return 0;
}
