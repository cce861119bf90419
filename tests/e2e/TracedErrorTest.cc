// A failed call with the trace logger on, through the shipped library: the
// trace record's error description is the code's description, followed by
// the rendering of what the report recorded, when it recorded anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SnooprRecord.h"
#include "status/StatusCodeCatalogue.h"
#include "tovik/tovik.h"

namespace {

std::string english(ViStatus code) {
  for (const voerr::StatusCodeRecord& record : voerr::kStatusCodeCatalogue) {
    if (record.code == code) return record.description[0];
  }
  return "<no description of " + std::to_string(code) + ">";
}

TEST(TracedError, TheRecordCarriesTheDescription) {
  constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
  constexpr ViStatus kInvalidDriverSetup = static_cast<ViStatus>(0xBFFA8CF0u);
  struct Case {
    const char* name;
    std::function<ViStatus()> call;
    ViStatus code;
    std::string rendered;  // after the static description and a blank line
  };
  const Case cases[] = {
      {"unknown session", [] { return tovik_ConfigureFrequency(7777, "0", 1e3); },
       kInvalidSessionHandle, ""},
      {"repeated DriverSetup tag",
       [] {
         ViSession vi = 0;
         return tovik_InitWithOptions("", VI_FALSE, VI_FALSE,
                                      "Simulate=1,DriverSetup=Model:GE;Model:GE", &vi);
       },
       kInvalidDriverSetup, "Repeated DriverSetup tag.: Model"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A pending error is kept over a later one: take the previous case's.
    ViStatus pending = 0;
    char taken[8];
    tovik_GetError(0, &pending, sizeof taken, taken);
    const snoopr::ScopedLogFile log(::testing::TempDir() + "traced_error_test.log");
    ASSERT_EQ(c.call(), c.code);

    const snoopr::RecordFile file = log.read();
    ASSERT_EQ(file.records.size(), 1u);
    const snoopr::Record& record = file.records.front();
    ASSERT_FALSE(record.returns.empty());
    EXPECT_EQ(record.returns[0].name.value_or(""), "dummyerror");
    EXPECT_EQ(record.returns[0].text(),
              english(c.code) + (c.rendered.empty() ? "" : "\n\n" + c.rendered));
    EXPECT_EQ(record.returns.back().succeeded.value_or(-1), 0);
  }
}

}  // namespace
