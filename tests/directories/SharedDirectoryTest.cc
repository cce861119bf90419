// The shared directory with a share.dir fixture bound over the fixed path;
// SHARE_DIR_CASE names the fixture of this run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "directories/StandardDirectories.h"

namespace {

TEST(SharedDirectory, ComesFromShareDirOrTheDefault) {
  struct Case {
    const char* fixture;
    const char* expected;
  };
  // Two spaces, /opt/foo/ and a line feed; an empty file (not the default);
  // no file at all.
  const Case cases[] = {
      {"spaces", "/opt/foo"}, {"empty", ""}, {"missing", "/usr/local/velmora/share"}};
  const char* fixture = std::getenv("SHARE_DIR_CASE");
  ASSERT_NE(fixture, nullptr);
  for (const Case& c : cases) {
    if (std::string(c.fixture) != fixture) continue;
    voerr::Status status;
    vohtl::BasicString directory;
    vosysq::sharedDirectory(directory, status);
    EXPECT_EQ(directory.view(), c.expected);
    EXPECT_EQ(vosysq::lookupVariable("_voShared32Dir", status).view(), c.expected);
    EXPECT_EQ(vosysq::lookupVariable("_voSharedDir", status).view(), c.expected);
    EXPECT_EQ(vosysq::expandPath("$_voShared32Dir/errors", status).view(),
              std::string(c.expected) + "/errors");
    EXPECT_EQ(status.code, 0) << status.reportText();
    return;
  }
  FAIL() << "no case " << fixture;
}

}  // namespace
