// Translators of the external manager libvoxlator.so.1 (the stand-in, which
// knows only "standin_echo"): loaded at most once per session, its
// translators and session released through it.
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "VoxlatorStandin.h"
#include "text/BasicString.h"
#include "translator/Json1Formatter.h"
#include "translator/Session.h"

namespace {

using ::testing::HasSubstr;

// Keeps the stand-in loaded, so its counters outlive each session's unload.
VoxlatorStandinCounts counts() {
  static void* library = dlopen("libvoxlator.so.1", RTLD_NOW);
  static auto read = reinterpret_cast<VoxlatorStandinCountsFn>(
      library ? dlsym(library, VOXLATOR_STANDIN_COUNTS) : nullptr);
  VoxlatorStandinCounts now{};
  if (read) read(&now);
  return now;
}

std::string take(char* text) {
  std::string copy = text ? text : "<null>";
  voxlator::allocate(text, 0, nullptr, nullptr);
  return copy;
}

TEST(ExternalManager, ServesAndReleasesItsTranslators) {
  ASSERT_NE(counts().sessionRequests, -1);
  const VoxlatorStandinCounts before = counts();
  {
    voerr::Status status;
    voxlator::ScopedSession session(status);
    EXPECT_EQ(take(session.get()->getStaticDesc(-3, "standin_echo", 0, &voxlator::allocate,
                                                nullptr, status)),
              "standin description -3");
    const char* report = R"({"translator":"standin_echo"})";
    EXPECT_THAT(take(session.get()->getDynamicDesc(report, 0, "json1", &voxlator::allocate,
                                                   nullptr, status)),
                HasSubstr(R"("key":"Translator")"));
    EXPECT_EQ(status.code, 0) << status.reportText();
    const VoxlatorStandinCounts during = counts();
    EXPECT_EQ(during.sessionRequests - before.sessionRequests, 1);
    EXPECT_EQ(during.translatorsCreated - before.translatorsCreated, 1);
    EXPECT_EQ(during.translatorsDestroyed, before.translatorsDestroyed);
  }
  const VoxlatorStandinCounts after = counts();
  EXPECT_EQ(after.translatorsDestroyed - before.translatorsDestroyed, 1);
  EXPECT_EQ(after.sessionsDestroyed - before.sessionsDestroyed, 1);
}

TEST(ExternalManager, ANameItDoesNotKnowFailsWithoutReloading) {
  const VoxlatorStandinCounts before = counts();
  voerr::Status session_status;
  voxlator::ScopedSession session(session_status);
  for (int i = 0; i < 2; ++i) {
    voerr::Status status;
    EXPECT_EQ(session.get()->getTranslator("nobody", status), nullptr);
    EXPECT_EQ(status.code, -52006);
    EXPECT_THAT(status.reportText(), HasSubstr(R"("debug":"unknown translator","name":"nobody")"));
  }
  EXPECT_EQ(counts().sessionRequests - before.sessionRequests, 1);
}

TEST(ExternalManager, AFailedLoadIsRememberedForTheSession) {
  const VoxlatorStandinCounts before = counts();
  setenv("VOXLATOR_STANDIN_FAIL_SESSION", "1", 1);
  {
    voerr::Status session_status;
    voxlator::ScopedSession session(session_status);
    for (int i = 0; i < 2; ++i) {
      voerr::Status status;
      EXPECT_EQ(session.get()->getTranslator("standin_echo", status), nullptr);
      EXPECT_EQ(status.code, -52006);
      EXPECT_THAT(status.reportText(), HasSubstr("session refused"));
    }
  }
  unsetenv("VOXLATOR_STANDIN_FAIL_SESSION");
  const VoxlatorStandinCounts after = counts();
  EXPECT_EQ(after.sessionRequests - before.sessionRequests, 1);
  EXPECT_EQ(after.sessionsDestroyed, before.sessionsDestroyed);  // none was created
}

}  // namespace
