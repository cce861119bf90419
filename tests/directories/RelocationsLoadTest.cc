// The process-wide relocatable directories: the relocation library is asked
// once, at load, for each name in table order, and is not kept loaded. The
// test runs itself again as a child so that the load is observed fresh.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "directories/StandardDirectories.h"

extern char** environ;

namespace {

std::string lookup(const char* name) {
  voerr::Status status;
  const std::string value(vosysq::lookupVariable(name, status).view());
  EXPECT_EQ(status.code, 0) << status.reportText();
  return value;
}

TEST(RelocationsInChild, AnswerFromTheLibrary) {
  if (!std::getenv("RELOCATIONS_CHILD")) GTEST_SKIP() << "runs as the child only";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lookup("_multiarchlibdir"), "/opt/multi");
  EXPECT_EQ(dlopen("libvorelocations.so.0", RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(Relocations, AreAskedOnceAtLoadInTableOrder) {
  if (std::getenv("RELOCATIONS_CHILD")) GTEST_SKIP();
  std::remove(RELOCATION_LOG);
  std::vector<std::string> environment = {"RELOCATIONS_CHILD=1",
                                          "VORELOCATIONS_STANDIN=multiarchlibdir=/opt/multi",
                                          std::string("VORELOCATIONS_STANDIN_LOG=") + RELOCATION_LOG};
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string filter = "--gtest_filter=RelocationsInChild.*";
  char self[] = "/proc/self/exe";
  char* argv[] = {self, filter.data(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, self, nullptr, nullptr, argv, envp.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::ifstream log(RELOCATION_LOG);
  std::vector<std::string> names;
  for (std::string line; std::getline(log, line);) names.push_back(line);
  ASSERT_EQ(names.size(), 19u);
  EXPECT_EQ(names.front(), "prefixdir");
  EXPECT_EQ(names[8], "multiarchlibdir");
  EXPECT_EQ(names.back(), "initddir");
}

}  // namespace
