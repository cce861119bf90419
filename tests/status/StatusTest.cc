#include "status/Status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "status/Raise.h"
#include "status/StatusCodes.h"

namespace {

constexpr int32_t kWarning = 0x3FFA0001;
constexpr int32_t kError = -1074135023;
constexpr int32_t kOtherError = -52005;

const voerr::RaiseSite kSite{"StatusTest", 7, "tovik", "kSite"};

TEST(StatusPrecedence, FollowsTheRule) {
  struct Case {
    int32_t first, second, expected;
    bool secondTaken;
  };
  const Case cases[] = {
      {0, kWarning, kWarning, true},       {0, kError, kError, true},
      {kWarning, kError, kError, true},    {kWarning, kWarning + 1, kWarning, false},
      {kError, kWarning, kError, false},   {kError, kOtherError, kError, false},
      {kWarning, 0, kWarning, false},      {kError, 0, kError, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + " then " + std::to_string(c.second));
    voerr::Status status;
    status.raise(c.first, kSite);
    const std::string before = status.reportText();
    EXPECT_EQ(status.raise(c.second, voerr::RaiseSite{"Other", 9, "tovik", "other"}), c.secondTaken);
    EXPECT_EQ(status.code, c.expected);
    if (!c.secondTaken) {
      EXPECT_EQ(before, status.reportText());
    }
  }
}

TEST(StatusRaise, WritesTheSiteMembers) {
  voerr::Status status;
  bool allWritten = false;
  ASSERT_TRUE(status.raise(kError, kSite, &allWritten));
  EXPECT_TRUE(allWritten);
  EXPECT_STREQ(status.reportText(),
               R"({"error_constant":"kSite","file":"StatusTest","line":7,"component":"tovik"})");
  EXPECT_EQ(status.capacity, 512);
  EXPECT_EQ(status.report[status.capacity - 1], 'J');
}

TEST(StatusRaise, OnAnErrorAddsNothing) {
  voerr::Status status;
  status.raise(kError, kSite);
  char* items = status.attachTranslator("mxlator_tovik");
  status.addUsageItem(items, "kUsageTypeParameterName", "vi");
  const std::string before = status.reportText();
  EXPECT_FALSE(status.raise(kOtherError, kSite));
  EXPECT_EQ(status.code, kError);
  EXPECT_EQ(before, status.reportText());
}

TEST(StatusBuffer, GrowsByDoublingAndKeepsTheText) {
  voerr::Status status;
  status.raise(kError, kSite);
  char* items = status.attachTranslator("mxlator_tovik");
  const std::string value(150, 'v');
  std::string expectedItems;
  int capacities[3] = {0, 0, 0};
  for (int i = 0; i < 12; ++i) {
    items = status.addUsageItem(items, "kUsageTypeInvalidIdentifier", value.c_str());
    ASSERT_NE(items, nullptr);
    if (!expectedItems.empty()) expectedItems += ",";
    expectedItems += R"({"type":"usage","usage":"kUsageTypeInvalidIdentifier","value":")" + value +
                     R"(","value_type":"string"})";
    if (status.capacity == 512) capacities[0] = 512;
    if (status.capacity == 1024) capacities[1] = 1024;
    if (status.capacity == 2048) capacities[2] = 2048;
  }
  EXPECT_EQ(capacities[0], 512);
  EXPECT_EQ(capacities[1], 1024);
  EXPECT_EQ(capacities[2], 2048);
  const std::string text = status.reportText();
  EXPECT_NE(text.find("\"ordered_data\":[" + expectedItems + "]}}"), std::string::npos) << text;
  // The invariant survives every growth: zeros to the end, then 'J'.
  for (size_t i = text.size(); i + 1 < static_cast<size_t>(status.capacity); ++i) {
    ASSERT_EQ(status.report[i], '\0') << i;
  }
  EXPECT_EQ(status.report[status.capacity - 1], 'J');
}

TEST(StatusReport, AssignRefusesTooLongTextsAndKeepsTheRecord) {
  voerr::Status status;
  status.assignReport(R"({"a":"b"})");
  EXPECT_STREQ(status.reportText(), R"({"a":"b"})");
  EXPECT_EQ(status.reserveReport(2147483646u), nullptr);
  EXPECT_STREQ(status.reportText(), R"({"a":"b"})");
  char* end = status.resetReport();
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(*end, '}');
  EXPECT_STREQ(status.reportText(), "{}");
}

TEST(StatusMerge, MoveTakesTheBufferAndCopyDuplicatesIt) {
  voerr::Status source;
  source.raise(kError, kSite);
  char* buffer = source.report;
  voerr::Status moved;
  ASSERT_TRUE(moved.mergeMove(source));
  EXPECT_EQ(moved.report, buffer);
  EXPECT_EQ(source.report, nullptr);
  EXPECT_EQ(source.capacity, 0);

  voerr::Status copied;
  ASSERT_TRUE(copied.mergeCopy(moved));
  EXPECT_NE(copied.report, moved.report);
  EXPECT_STREQ(copied.reportText(), moved.reportText());

  voerr::Status warning;
  warning.raise(kWarning, kSite);
  EXPECT_FALSE(moved.mergeMove(warning));  // an error is never replaced
  EXPECT_NE(warning.report, nullptr);
}

TEST(StatusTranslator, ReusesItsOwnAndRefusesAnother) {
  voerr::Status status;
  status.raise(kError, kSite);
  char* first = status.attachTranslator("mxlator_tovik");
  status.addCommentItem(first, "one");
  char* again = status.attachTranslator("mxlator_tovik");
  ASSERT_NE(again, nullptr);
  status.addElaborationItem(again, "two");
  EXPECT_EQ(status.attachTranslator("other"), nullptr);
  EXPECT_NE(std::string(status.reportText())
                .find(R"("translator":"mxlator_tovik","translator_info":{"is_debug":"0","version":1,)"
                      R"("ordered_data":[{"type":"comment","comment":"one"},)"
                      R"({"type":"elaboration","usage":"two"}]}})"),
            std::string::npos)
      << status.reportText();
}

TEST(Raiser, BuildsTheReportOfARaiseSite) {
  const int line = __LINE__ + 2;
  try {
    TOVIK_RAISE(voerr::codes::kBadOptionValue).usage("kUsageTypePossibleValues", "A, B").throwIt();
  } catch (const voerr::Exception& error) {
    EXPECT_EQ(error.status().code, voerr::codes::kBadOptionValue.code);
    EXPECT_EQ(std::string(error.what()),
              std::string(R"({"error_constant":"ivierrors::ERR_BAD_OPTION_VALUE","file":")") +
                  TOVIK_SOURCE_NAME + R"(","line":)" + std::to_string(line) +
                  R"(,"component":"tovik","translator":"mxlator_tovik","translator_info":)"
                  R"({"is_debug":"0","version":1,"ordered_data":[{"type":"usage",)"
                  R"("usage":"kUsageTypePossibleValues","value":"A, B","value_type":"string"}]}})");
    return;
  }
  FAIL() << "nothing thrown";
}

TEST(Raiser, NamesTheVariableOfAVariableCode) {
  const int32_t error_ = -7;
  voerr::Status target;
  TOVIK_RAISE_VAR(error_).into(target);
  EXPECT_EQ(target.code, -7);
  EXPECT_NE(std::string(target.reportText()).find(R"("error_constant":"error_")"),
            std::string::npos);
}

}  // namespace
