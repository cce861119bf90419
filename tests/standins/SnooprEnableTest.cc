// Started with SNOOPR_ENABLE=1 and no log file: the logger records from the
// start and writes to stderr.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "SnooprStandin.h"
#include "SnooprRecord.h"

namespace {

TEST(SnooprEnable, RecordsFromLoadToStderr) {
  ASSERT_NE(*SnooprModeLocation(), 0);

  const std::string path =
      ::testing::TempDir() + "snoopr_enable_test_" + std::to_string(getpid()) + ".log";
  const int capture = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(capture, 0);
  const int savedStderr = dup(STDERR_FILENO);
  dup2(capture, STDERR_FILENO);
  void* cookie = SnooprGetCookie(21, 16, 1, "tovik_close");
  SnooprEndReturns(&cookie, 0);
  SnooprFreeCookie(cookie);
  dup2(savedStderr, STDERR_FILENO);
  close(savedStderr);
  close(capture);

  const snoopr::RecordFile file = snoopr::readRecordFile(path);
  std::remove(path.c_str());
  EXPECT_TRUE(file.malformedLines.empty());
  ASSERT_EQ(file.records.size(), 1u);
  EXPECT_EQ(file.records[0].functionName, "tovik_close");
  EXPECT_EQ(file.records[0].functionId, 16);
}

}  // namespace
