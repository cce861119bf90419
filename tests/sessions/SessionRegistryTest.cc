#include "sessions/SessionRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "SessionTestSupport.h"
#include "sessions/LanguageAccessor.h"
#include "status/Exception.h"

using testing_support::binding;
using testing_support::makeSession;

namespace {

constexpr int32_t kInvalidSessionHandle = static_cast<int32_t>(0xBFFA1190u);

int32_t lookupError(uint32_t handle) {
  try {
    miivi::sessionRegistry().lookup(handle);
  } catch (const voerr::Exception& error) {
    EXPECT_NE(std::string(error.what()).find(
                  R"("error_constant":"ivierrors::ERR_INVALID_SESSION_HANDLE","file":"SessionRegistry")"),
              std::string::npos)
        << error.what();
    EXPECT_NE(std::string(error.what()).find(R"("translator":"mxlator_tovik")"), std::string::npos);
    return error.status().code;
  }
  return 0;
}

TEST(SessionRegistry, UnknownHandlesAreInvalid) {
  EXPECT_EQ(lookupError(0), kInvalidSessionHandle);
  EXPECT_EQ(lookupError(0xDEADu), kInvalidSessionHandle);
  EXPECT_FALSE(miivi::sessionRegistry().find(0));
}

TEST(SessionRegistry, ASecondInsertKeepsTheFirst) {
  auto& registry = miivi::sessionRegistry();
  auto first = makeSession(101, 0, "first");
  auto second = makeSession(101, 0, "second");
  registry.insert(101, first);
  registry.insert(101, second);
  EXPECT_EQ(registry.lookup(101).get(), first.get());
  EXPECT_EQ(second.useCount(), 1);  // the registry kept no copy
  registry.erase(101);
  EXPECT_EQ(first.useCount(), 1);
}

TEST(SessionRegistry, TakeOutHidesTheHandleWhileAHolderKeepsTheSession) {
  std::atomic<int> destroyed{0};
  {
    auto registered = dvl::createAndRegister(
        binding(202), 2, 0, nullptr, "PXI1Slot2",
        std::make_unique<testing_support::WatchedLogger>(&destroyed));
    ASSERT_TRUE(registered);
  }
  miivi::SessionReference held = miivi::sessionRegistry().lookup(202);
  // A closer that looked up another session under this handle (since
  // closed, and the handle reused) takes nothing out.
  auto stale = makeSession(202, 0, "stale");
  EXPECT_THROW(dvl::takeOut(202, stale.get()), voerr::Exception);
  miivi::SessionReference taken = dvl::takeOut(202, held.get());
  EXPECT_EQ(taken.get(), held.get());
  EXPECT_EQ(lookupError(202), kInvalidSessionHandle);
  EXPECT_EQ(held->resourceName(), "PXI1Slot2");
  taken.reset();
  EXPECT_EQ(destroyed.load(), 0);
  held.reset();
  EXPECT_EQ(destroyed.load(), 1);
  EXPECT_THROW(dvl::takeOut(202), voerr::Exception);
}

TEST(LanguageAccessor, AnswersFromTheSessionOrTheDefault) {
  auto& accessor = miivi::languageAccessor();
  EXPECT_EQ(accessor.getLanguage(miivi::IviWrapper(0)), 0);  // no host language here
  accessor.setDefaultLanguage(4);
  EXPECT_EQ(accessor.getLanguage(miivi::IviWrapper(0)), 4);
  EXPECT_EQ(accessor.getLanguage(miivi::IviWrapper(303)), 4);  // unknown handle
  auto session = dvl::createAndRegister(binding(303), 2, 0, nullptr, "Dev3", nullptr);
  EXPECT_EQ(accessor.getLanguage(miivi::IviWrapper(303)), 2);
  dvl::takeOut(303);
  accessor.setDefaultLanguage(0);
}

TEST(SessionRegistry, LookupsRunAlongsideRegistration) {
  auto& registry = miivi::sessionRegistry();
  auto one = dvl::createAndRegister(binding(1), 0, 0, nullptr, "one", nullptr);
  auto two = dvl::createAndRegister(binding(2), 0, 0, nullptr, "two", nullptr);
  std::atomic<bool> stop{false};
  std::atomic<long> lookups{0};
  std::atomic<int> failures{0};
  auto reader = [&](uint32_t handle, const char* name) {
    while (!stop.load()) {
      try {
        if (registry.lookup(handle)->resourceName() != name) failures++;
      } catch (...) {
        failures++;
      }
      lookups++;
    }
  };
  std::thread first(reader, 1u, "one");
  std::thread second(reader, 2u, "two");
  std::thread churn([&] {
    while (!stop.load()) {
      dvl::createAndRegister(binding(3), 0, 0, nullptr, "three", nullptr);
      dvl::takeOut(3);
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  stop = true;
  first.join();
  second.join();
  churn.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(lookups.load(), 100);
  dvl::takeOut(1);
  dvl::takeOut(2);
  EXPECT_FALSE(registry.find(3));
}

}  // namespace
