// mbsToUtf8 in a UTF-8 locale and in the 7-bit "C" locale.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "ivi/MbsToUtf8.h"

namespace {

class MbsToUtf8Test : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  }
  void TearDown() override { std::setlocale(LC_CTYPE, saved_.c_str()); }

  std::string saved_;
};

TEST_F(MbsToUtf8Test, ConvertsOrReportsWhy) {
  const struct {
    const char* text;
    bool asciiOnly;
    ViStatus status;
    const char* output;  // the output afterwards; it starts as "untouched"
  } cases[] = {
      {nullptr, false, 0, "untouched"},
      {"", false, 0, "untouched"},
      {"PXI1Slot2", true, 0, "PXI1Slot2"},
      {"caf\xc3\xa9", true, -52002, "untouched"},
      {"caf\xc3\xa9", false, 0, "caf\xc3\xa9"},                                  // two bytes
      {"\xe2\x82\xac 5", false, 0, "\xe2\x82\xac 5"},                             // three bytes
      {"\xf0\x9f\x98\x80\xc2\xb5", false, 0, "\xf0\x9f\x98\x80\xc2\xb5"},         // four bytes, then two
      {"bad \xc3", false, -52027, "untouched"},
      {"bad \xff tail", false, -52027, "untouched"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    std::string output = "untouched";
    EXPECT_EQ(miivi::mbsToUtf8(c.text, c.asciiOnly, output), c.status);
    EXPECT_EQ(output, c.output);
  }
}

TEST_F(MbsToUtf8Test, SevenBitLocaleRejectsOtherBytes) {
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  std::string output;
  EXPECT_EQ(miivi::mbsToUtf8("caf\xc3\xa9", false, output), -52027);
  EXPECT_EQ(miivi::mbsToUtf8("cafe", false, output), 0);
  EXPECT_EQ(output, "cafe");
}

}  // namespace
