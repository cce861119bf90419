// The growable text: its growth rule and its memory failures.
#include <gtest/gtest.h>

#include <string>

#include "text/BasicString.h"

namespace {

TEST(BasicString, GrowsByTheRule) {
  voerr::Status status;
  vohtl::BasicString text;
  EXPECT_STREQ(text.c_str(), "");
  ASSERT_TRUE(text.append("x", status));
  EXPECT_EQ(text.capacity(), 127u);  // at least 127
  ASSERT_TRUE(text.append(std::string(127, 'y'), status));
  EXPECT_EQ(text.capacity(), 190u);  // one and a half times the old capacity
  ASSERT_TRUE(text.reserve(1000, status));
  EXPECT_EQ(text.capacity(), 1000u);  // the request, when larger
  EXPECT_EQ(text.view(), "x" + std::string(127, 'y'));
}

TEST(BasicString, AFailedAllocationLeavesTheTextAndRecordsMemoryFull) {
  voerr::Status status;
  vohtl::BasicString text;
  text.assign("kept", status);
  EXPECT_FALSE(text.reserve(size_t{1} << 40, status));
  EXPECT_EQ(status.code, -52000);
  EXPECT_EQ(text.view(), "kept");
  // Entered with an error, nothing changes.
  EXPECT_FALSE(text.append("more", status));
  EXPECT_FALSE(text.assign("other", status));
  EXPECT_EQ(text.view(), "kept");
}

TEST(BasicString, KeepsZeroBytesAndCopiesOwnPieces) {
  voerr::Status status;
  vohtl::BasicString text;
  text.assign(std::string_view("a\0b", 3), status);
  text.append(text.c_str(), text.length(), status);
  EXPECT_EQ(text.view(), std::string_view("a\0ba\0b", 6));
  text.erase(1, 3, status);
  EXPECT_EQ(text.view(), std::string_view("a\0b", 3));
  text.trimEnd(std::string_view("b\0", 2));
  EXPECT_EQ(text.view(), "a");
}

}  // namespace
