// Threads reading toggles while others reload, clear and come and go: no
// race, and no answer read before a reload is served after it. The fixed
// settings path is bound to this program's fixture directory.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "toggles/RuntimeFeatureToggles.h"
#include "toggles/RuntimeToggles.h"

namespace {

constexpr int kReaders = 4;
constexpr int kReloads = 200;
const std::string kSettingsFile = "/var/local/velmora/systemsettings/tovik_features.ini";

void writeCeip(bool enabled) {
  std::ofstream(kSettingsFile, std::ios::trunc)
      << "[tovikCEIP]\nValue=" << (enabled ? "True" : "False") << "\n";
}

template <typename Body>
void runReaders(std::atomic<bool>& done, Body body, std::vector<std::thread>& threads) {
  for (int i = 0; i < kReaders; ++i) {
    threads.emplace_back([&done, body, i] {
      while (!done.load(std::memory_order_relaxed)) body(i);
    });
  }
}

TEST(TogglesConcurrency, ReadersNeverSeeAnAnswerFromBeforeTheLastReload) {
  tovikfeaturetoggles::RuntimeFeatureTogglesInterface& toggles =
      tovikfeaturetoggles::featureToggles();
  std::atomic<bool> done{false};
  std::atomic<long> reads{0};
  std::vector<std::thread> readers;
  runReaders(
      done,
      [&](int) {
        toggles.usageTelemetryEnabled();
        reads.fetch_add(1, std::memory_order_relaxed);
      },
      readers);
  for (int i = 0; i < kReloads; ++i) {
    const bool enabled = i % 2 == 0;
    writeCeip(enabled);
    toggles.reload();
    // Readers may have computed the old answer just before the reload; it
    // must not be what is served now.
    if (toggles.usageTelemetryEnabled() != enabled) {
      ADD_FAILURE() << "a stale answer after reload " << i;
      break;
    }
  }
  done = true;
  for (std::thread& t : readers) t.join();
  EXPECT_GT(reads.load(), 0);
  std::remove(kSettingsFile.c_str());
  toggles.reload();
  EXPECT_TRUE(toggles.usageTelemetryEnabled());
}

// Stores sharing one accessor: gets, sets and loads against clears,
// reloads, and a store that is made and destroyed over and over.
TEST(TogglesConcurrency, StoresSharingAnAccessor) {
  using Store = runtime_toggles::RuntimeToggles<bool, bool, 6>;
  writeCeip(false);
  runtime_toggles::SystemSettingsAccessor accessor;
  Store shared(&accessor, "tovik", "features.ini", "velmora", "/var/local");
  std::atomic<bool> done{false};
  std::vector<std::thread> threads;
  runReaders(
      done,
      [&](int i) {
        voerr::PlatformStatus status;
        bool result = true;
        shared.get(i % 2 ? "CEIP" : "Other", true, result, status);
        if (i == 0) shared.set("Mine", true, status);
        if (i == 1) shared.load(status);
      },
      threads);
  threads.emplace_back([&] {
    while (!done.load(std::memory_order_relaxed)) {
      Store passing(&accessor, "tovik", "features.ini", "velmora", "/var/local");
      voerr::PlatformStatus status;
      bool result = true;
      passing.get("CEIP", true, result, status);
      passing.clear(status);
    }
  });
  for (int i = 0; i < kReloads; ++i) {
    voerr::PlatformStatus status;
    shared.reload(status);
    shared.clear(status);
  }
  done = true;
  for (std::thread& t : threads) t.join();

  voerr::PlatformStatus status;
  shared.reload(status);
  bool result = true;
  shared.get("CEIP", true, result, status);
  EXPECT_FALSE(result);
  EXPECT_EQ(status.code, 0);
  std::remove(kSettingsFile.c_str());
}

}  // namespace
