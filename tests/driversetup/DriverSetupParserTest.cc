#include "driversetup/DriverSetupParser.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* kUntouched = "<untouched>";

TEST(ExtractDriverSetup, FindsTheValue) {
  struct Case {
    const char* optionString;
    const char* expected;
  };
  const Case cases[] = {
      // No '=': the whole trimmed text is a bare DriverSetup string.
      {" \t Model:GA; BoardType:PXIe \r\n", "Model:GA; BoardType:PXIe"},
      // Key in any case; the value keeps its leading space and ends at ','.
      {"Simulate=1, driversetup = Model:GA, RangeCheck=1", " Model:GA"},
      {"Simulate=1,DriverSetup=Model:GA;Language:de", "Model:GA;Language:de"},
      {"DriverSetup=", ""},
      {"Simulate=1, RangeCheck=0", kUntouched},
      {"Simulate=1, DriverSetup", kUntouched},
      {" \r\n\t ", kUntouched},
      {"", kUntouched},
      {nullptr, kUntouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.optionString ? c.optionString : "(null)");
    std::string output = kUntouched;
    voerr::Status status;
    voslid::DriverSetupParser().extractDriverSetup(c.optionString, output, status);
    EXPECT_EQ(status.code, 0);
    EXPECT_EQ(output, c.expected);
  }
}

TEST(ExtractDriverSetup, DoesNothingAfterAnError) {
  voerr::Status status;
  status.setCode(-7);
  std::string output = kUntouched;
  voslid::DriverSetupParser().extractDriverSetup("DriverSetup=Model:GA", output, status);
  EXPECT_EQ(output, kUntouched);
  EXPECT_EQ(status.code, -7);
}

}  // namespace
