// A failed call with the trace logger on, through the shipped library: the
// trace record's error description is the code's description followed by
// what the report recorded.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "SnooprRecord.h"
#include "status/StatusCodeCatalogue.h"
#include "tovik/tovik.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(TracedError, TheRecordCarriesTheDescription) {
  const snoopr::ScopedLogFile log(::testing::TempDir() + "traced_error_test.log");
  constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
  ASSERT_EQ(tovik_ConfigureFrequency(7777, "0", 1e3), kInvalidSessionHandle);

  const snoopr::RecordFile file = log.read();
  ASSERT_EQ(file.records.size(), 1u);
  const snoopr::Record& record = file.records.front();
  ASSERT_FALSE(record.returns.empty());
  EXPECT_EQ(record.returns[0].name.value_or(""), "dummyerror");
  std::string english;
  for (const voerr::StatusCodeRecord& code : voerr::kStatusCodeCatalogue) {
    if (code.code == kInvalidSessionHandle) english = code.description[0];
  }
  ASSERT_FALSE(english.empty());
  const std::string text = record.returns[0].text();
  EXPECT_THAT(text, StartsWith(english + "\n\n"));
  EXPECT_THAT(text, HasSubstr(R"("error_constant":"ivierrors::ERR_INVALID_SESSION_HANDLE")"));
  EXPECT_EQ(record.returns.back().succeeded.value_or(-1), 0);
}

}  // namespace
