// Several threads asking one framework loader for searches at once, as
// sessions being opened in parallel do.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "sysconfig/SysAPIFrameworkLoader.h"
#include "vosysapi_standin.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 40;

TEST(SysconfigConcurrencyTest, ParallelSearchesShareOneFramework) {
  std::string inventory = "expert acqo\nexpert tovikGC\n";
  for (int i = 0; i < kThreads; ++i) {
    inventory += "device Dev" + std::to_string(i) + "\n  uint32 0x1005000 " +
                 std::to_string(0x7000 + i) + "\n  string 0x1007000 S" + std::to_string(i) + "\n";
  }
  inventory += "device Twin\ndevice Twin\n";
  VosysStandinConfig config(inventory);
  VosysStandin_reset();
  const int64_t liveBefore = VosysStandin_liveObjects();
  {
    misysapiaccessor::SysAPIFrameworkLoader loader("acqo,tovikGC,tovikaux");
    const std::string target = "//localhost/acqo,tovikGC,tovikaux";
    std::atomic<int> ready{0};
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
      threads.emplace_back([&, i] {
        ready.fetch_add(1);
        while (ready.load() < kThreads) {
        }
        // The first requests race each other: one instantiation only.
        sysapicpp::DeviceFramework& framework = loader.getFramework();
        const std::string name = "Dev" + std::to_string(i);
        for (int round = 0; round < kRounds; ++round) {
          sysapicpp::PropertyBagHandle filter = framework.createPropertyBag();
          filter.setString(kVosysTagResourceName, name);
          std::vector<sysapicpp::DeviceRecord> found = framework.findHardware(target, 2, filter);
          if (found.size() != 1 || found[0].productId() != 0x7000u + static_cast<uint32_t>(i) ||
              found[0].serialNumber() != "S" + std::to_string(i)) {
            mismatches.fetch_add(1);
          }
          filter.setString(kVosysTagResourceName, "Twin");
          if (framework.findHardware(target, 2, filter).size() != 2) mismatches.fetch_add(1);
          if (framework.listExperts(target).size() != 2) mismatches.fetch_add(1);
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(VosysStandin_callCount("instantiate"), 1u);
    EXPECT_EQ(VosysStandin_callCount("findHardware"), 2u * kThreads * kRounds);
  }
  misysapiaccessor::SysAPIFrameworkLoader::releaseKeptFrameworks();
  EXPECT_EQ(VosysStandin_liveObjects(), liveBefore);
}

}  // namespace
