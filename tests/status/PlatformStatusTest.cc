#include "status/PlatformStatus.h"

#include <gtest/gtest.h>

#include <string>

#include "status/Exception.h"

namespace {

TEST(PlatformStatus, ShortensLongFilePathsAtBothEnds) {
  std::string path;
  for (int i = 0; i < 150; ++i) path += static_cast<char>('a' + i % 26);
  voerr::PlatformStatus block;
  ASSERT_TRUE(block.setPlatformCode(-52003, "tovik", path.c_str(), 588));
  EXPECT_EQ(std::string(block.file), path.substr(0, 49) + ".." + path.substr(150 - 49));
  EXPECT_EQ(std::string(block.file).size(), 100u);
  EXPECT_STREQ(block.component, "tovik");
  EXPECT_EQ(block.line, 588);
}

TEST(PlatformStatus, KeepsTheFirstErrorAndCutsTheComponent) {
  voerr::PlatformStatus block;
  block.setPlatformCode(-52000, "a-component-name", "memory", 393);
  EXPECT_STREQ(block.component, "a-compone");
  EXPECT_FALSE(block.setPlatformCode(-52003, "tovik", "synchronization", 588));
  EXPECT_EQ(block.code, -52000);
  EXPECT_STREQ(block.file, "memory");
}

TEST(PlatformStatus, MergeTakesExtensionsOnlyFromFullBlocks) {
  voerr::PlatformStatus full;
  full.setPlatformCode(-52008, "tovik", "tSemaphore", 83);
  full.extension[0] = 11;
  full.extension[1] = 0;
  voerr::PlatformStatus target;
  ASSERT_TRUE(target.merge(full));
  EXPECT_EQ(target.extension[0], 11u);
  EXPECT_STREQ(target.file, "tSemaphore");

  voerr::PlatformStatus small;
  small.structSize = 16;
  small.code = -52005;
  voerr::PlatformStatus other;
  ASSERT_TRUE(other.merge(small));
  EXPECT_EQ(other.code, -52005);
  EXPECT_STREQ(other.file, "");
  EXPECT_EQ(other.line, 0);
}

TEST(AbsorbPlatformStatus, WritesTheLocationIntoTheReport) {
  voerr::PlatformStatus block;
  block.setPlatformCode(-52003, "tovik", "synchronization", 588);
  voerr::Status status;
  ASSERT_TRUE(voerr::absorbPlatformStatus(block, status));
  EXPECT_EQ(status.code, -52003);
  EXPECT_STREQ(status.reportText(), R"({"file":"synchronization","line":588,"component":"tovik"})");
}

TEST(AbsorbPlatformStatus, SuccessChangesNothing) {
  voerr::PlatformStatus block;
  voerr::Status status;
  status.code = 7;
  EXPECT_FALSE(voerr::absorbPlatformStatus(block, status));
  EXPECT_EQ(status.code, 7);
  EXPECT_EQ(status.report, nullptr);
}

TEST(ThrowIfFailed, ThrowsErrorsOnly) {
  voerr::PlatformStatus warning;
  warning.setPlatformCode(3, "tovik", "x", 1);
  EXPECT_NO_THROW(voerr::throwIfFailed(warning));
  voerr::PlatformStatus error;
  error.setPlatformCode(-52003, "tovik", "synchronization", 588);
  try {
    voerr::throwIfFailed(error);
    FAIL() << "nothing thrown";
  } catch (const voerr::Exception& e) {
    EXPECT_EQ(e.status().code, -52003);
  }
}

}  // namespace
