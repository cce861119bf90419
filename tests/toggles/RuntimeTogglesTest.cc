// The toggle store over files in a temporary directory: the settings path,
// answers and their cache, errors, and files shared between stores.
#include "toggles/RuntimeToggles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "status/StatusCodes.h"
#include "toggles/PublishedAnswer.h"
#include "toggles/SystemSettingsAccessor.h"

namespace {

using Store = runtime_toggles::RuntimeToggles<bool, bool, 6>;
using runtime_toggles::SystemSettingsAccessor;
namespace codes = voerr::codes;
namespace reading = runtime_toggles::reading;

class TogglesInDirectory : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = ::testing::TempDir() + "runtime_toggles_test_" + std::to_string(getpid());
    for (const std::string& d : {base_, base_ + "/velmora", base_ + "/velmora/systemsettings"}) {
      ASSERT_EQ(mkdir(d.c_str(), 0700), 0) << d;
    }
  }
  void TearDown() override {
    std::remove(settingsFile().c_str());
    for (const std::string& d : {base_ + "/velmora/systemsettings", base_ + "/velmora", base_}) {
      rmdir(d.c_str());
    }
  }

  std::string settingsFile() const { return base_ + "/velmora/systemsettings/tovik_features.ini"; }
  void writeSettings(const std::string& text) const {
    std::ofstream(settingsFile(), std::ios::binary | std::ios::trunc) << text;
  }
  Store makeStore(SystemSettingsAccessor& accessor, const char* prefix = "tovik") const {
    return Store(&accessor, prefix, "features.ini", "velmora", base_.c_str());
  }

  std::string base_;
};

TEST_F(TogglesInDirectory, ComputesTheSettingsPathFromItsParts) {
  const std::string tooLong(Store::kMaxPart + 1, 'p');
  const std::string longest(Store::kMaxPart, 'x');
  const std::string deepBase = base_ + std::string(Store::kMaxPath - 2 * Store::kMaxPart, 'b');
  struct Case {
    const char* name;
    const char* prefix;
    const char* file;
    const char* directory;
    std::string base;
    std::string path;  // empty: the path cannot be made
    int64_t code;      // what load reports
  };
  const Case cases[] = {
      {"the driver's", "tovik", "features.ini", "velmora", base_,
       base_ + "/velmora/systemsettings/tovik_features.ini", 0},
      {"no prefix", "", "f.ini", "velmora", base_, base_ + "/velmora/systemsettings/f.ini",
       reading::kFileNotFound},
      {"no directory", "p", "f.ini", "", base_, base_ + "/systemsettings/p_f.ini",
       reading::kFileNotFound},
      {"no file name", "p", "", "d", base_, "", codes::kInvalidParameter.code},
      {"a part too long", tooLong.c_str(), "f.ini", "d", base_, "", codes::kInvalidParameter.code},
      {"a path too long", longest.c_str(), longest.c_str(), "d", deepBase, "",
       codes::kInvalidParameter.code},
  };
  writeSettings("[tovikCEIP]\nValue=False\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SystemSettingsAccessor accessor;
    Store store(&accessor, c.prefix, c.file, c.directory, c.base.c_str());
    voerr::PlatformStatus status;
    store.load(status);
    EXPECT_EQ(status.code, c.code);
    EXPECT_EQ(accessor.settingsPath(), c.path);
    EXPECT_EQ(accessor.loadedFiles().size(), c.path.empty() ? 0u : 1u);
  }
}

TEST_F(TogglesInDirectory, AnswersFromTheFileAndKeepsTheAnswerUntilReload) {
  writeSettings("[tovikCEIP]\nValue=False\n[tovikOther]\nValue=True\n");
  SystemSettingsAccessor accessor;
  Store store = makeStore(accessor);
  voerr::PlatformStatus status;
  bool result = true;
  store.get("CEIP", true, result, status);
  EXPECT_FALSE(result);
  store.get("Other", false, result, status);
  EXPECT_TRUE(result);
  EXPECT_EQ(status.code, 0);

  writeSettings("[tovikCEIP]\nValue=True\n");
  store.get("CEIP", true, result, status);
  EXPECT_FALSE(result) << "the cached answer, not the edited file";
  store.reload(status);
  store.get("CEIP", false, result, status);
  EXPECT_TRUE(result);
  store.get("Other", true, result, status);
  EXPECT_TRUE(result) << "gone from the file: the default";
  EXPECT_EQ(status.code, codes::kResourceNotFound.code);
}

TEST_F(TogglesInDirectory, ReportsWhyItAnsweredTheDefault) {
  struct Case {
    const char* name;
    std::optional<std::string> settings;  // nullopt: no file
    const char* prefix;
    const char* toggle;
    int64_t code;
  };
  const std::string longName(Store::kMaxName + 1, 'n');
  const Case cases[] = {
      {"no file", std::nullopt, "tovik", "CEIP", reading::kFileNotFound},
      {"UTF-16", std::string("\xFF\xFE[\0t\0", 6), "tovik", "CEIP", reading::kUnsupportedEncoding},
      {"no section", "[tovikOther]\nValue=False\n", "tovik", "CEIP", codes::kResourceNotFound.code},
      {"no Value entry", "[tovikCEIP]\nEnabled=False\n", "tovik", "CEIP",
       codes::kResourceNotFound.code},
      {"an empty quoted value", "[tovikCEIP]\nValue=\"\"\n", "tovik", "CEIP",
       codes::kSoftwareFault.code},
      {"no name", "[tovik]\nValue=False\n", "tovik", nullptr, codes::kInvalidParameter.code},
      {"an empty name", "[tovik]\nValue=False\n", "tovik", "", codes::kInvalidParameter.code},
      {"a name too long", "[tovikCEIP]\nValue=False\n", "tovik", longName.c_str(),
       codes::kInvalidParameter.code},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.settings) {
      writeSettings(*c.settings);
    } else {
      std::remove(settingsFile().c_str());
    }
    SystemSettingsAccessor accessor;
    Store store = makeStore(accessor, c.prefix);
    voerr::PlatformStatus status;
    bool result = false;
    store.get(c.toggle, true, result, status);
    EXPECT_EQ(status.code, c.code);
    EXPECT_TRUE(result);
    // Asked again, the cached default comes back without the error, so the
    // answer does not change between calls.
    voerr::PlatformStatus again;
    result = false;
    store.get(c.toggle, true, result, again);
    EXPECT_TRUE(result);
    const bool badName = c.code == codes::kInvalidParameter.code;
    EXPECT_EQ(again.code, badName ? c.code : 0) << "a bad name is refused every time";
  }
}

TEST_F(TogglesInDirectory, NeedsAKeyPrefixToNameTheSection) {
  std::ofstream(base_ + "/velmora/systemsettings/features.ini") << "[CEIP]\nValue=False\n";
  SystemSettingsAccessor accessor;
  Store store = makeStore(accessor, "");
  voerr::PlatformStatus status;
  bool result = false;
  store.get("CEIP", true, result, status);
  EXPECT_EQ(status.code, codes::kInvalidParameter.code);
  EXPECT_TRUE(result);
  std::remove((base_ + "/velmora/systemsettings/features.ini").c_str());
}

TEST_F(TogglesInDirectory, DoesNothingOverTheCallersError) {
  writeSettings("[tovikCEIP]\nValue=False\n");
  SystemSettingsAccessor accessor;
  Store store = makeStore(accessor);
  voerr::PlatformStatus status;
  status.setPlatformCode(-52000, "tovik", "memory", 393);
  bool result = false;
  store.get("CEIP", true, result, status);
  EXPECT_TRUE(result);
  store.load(status);
  store.set("CEIP", false, status);
  EXPECT_EQ(status.code, -52000);
  EXPECT_STREQ(status.file, "memory");
  EXPECT_TRUE(accessor.loadedFiles().empty()) << "nothing was read";
}

TEST_F(TogglesInDirectory, SetAnswersWithoutReadingTheFile) {
  SystemSettingsAccessor accessor;
  Store store = makeStore(accessor);
  voerr::PlatformStatus status;
  store.set("CEIP", false, status);
  store.set("CEIP", true, status);
  bool result = false;
  store.get("CEIP", false, result, status);
  EXPECT_TRUE(result);
  EXPECT_EQ(status.code, 0) << "the missing file was never read";
  EXPECT_TRUE(accessor.loadedFiles().empty());
  store.clear(status);
  store.get("CEIP", false, result, status);
  EXPECT_FALSE(result);
  EXPECT_EQ(status.code, reading::kFileNotFound);
}

TEST_F(TogglesInDirectory, StoresShareOneLoadedFile) {
  writeSettings("[tovikCEIP]\nValue=False\n");
  SystemSettingsAccessor accessor;
  voerr::PlatformStatus status;
  std::optional<Store> first(std::in_place, &accessor, "tovik", "features.ini", "velmora",
                             base_.c_str());
  Store second = makeStore(accessor);
  first->load(status);
  second.load(status);
  ASSERT_EQ(status.code, 0);
  ASSERT_EQ(accessor.loadedFiles().size(), 1u);
  ASSERT_EQ(accessor.fileUsers().size(), 2u);

  // Clearing drops the file together with every registration to it.
  first->clear(status);
  EXPECT_TRUE(accessor.loadedFiles().empty());
  EXPECT_TRUE(accessor.fileUsers().empty());
  bool result = true;
  second.get("CEIP", true, result, status);  // loads it again for itself
  EXPECT_FALSE(result);
  first->load(status);
  EXPECT_EQ(accessor.fileUsers().size(), 2u);

  // Destroying a store keeps the file while another store uses it.
  first.reset();
  EXPECT_EQ(accessor.loadedFiles().size(), 1u);
  EXPECT_EQ(accessor.fileUsers().size(), 1u);
  EXPECT_EQ(status.code, 0);
}

TEST_F(TogglesInDirectory, TheLastStoreGoneDropsTheFile) {
  writeSettings("[tovikCEIP]\nValue=False\n");
  SystemSettingsAccessor accessor;
  {
    Store store = makeStore(accessor);
    voerr::PlatformStatus status;
    store.load(status);
    ASSERT_EQ(accessor.loadedFiles().size(), 1u);
  }
  EXPECT_TRUE(accessor.loadedFiles().empty());
  EXPECT_TRUE(accessor.fileUsers().empty());
}

// An accessor whose mutex could not be created.
class BrokenAccessor final : public runtime_toggles::SystemSettingsAccessorInterface {
 public:
  BrokenAccessor() {
    status_.setPlatformCode(codes::kSoftwareFault.code, "tovik", "synchronization", 588);
  }
  voapal::GuardMutex& mutex() override { return mutex_; }
  runtime_toggles::LoadedFiles& loadedFiles() override { return files_; }
  runtime_toggles::FileUsers& fileUsers() override { return users_; }
  std::string& settingsPath() override { return path_; }
  voerr::PlatformStatus& status() override { return status_; }

 private:
  voapal::GuardMutex mutex_;  // never created
  runtime_toggles::LoadedFiles files_;
  runtime_toggles::FileUsers users_;
  std::string path_;
  voerr::PlatformStatus status_;
};

TEST_F(TogglesInDirectory, AStoreOverABrokenAccessorOnlyReportsIt) {
  writeSettings("[tovikCEIP]\nValue=False\n");
  BrokenAccessor accessor;
  Store store(&accessor, "tovik", "features.ini", "velmora", base_.c_str());
  EXPECT_EQ(store.status().code, codes::kSoftwareFault.code);
  voerr::PlatformStatus status;
  bool result = false;
  store.get("CEIP", true, result, status);
  EXPECT_TRUE(result);
  EXPECT_EQ(status.code, codes::kSoftwareFault.code);
  EXPECT_STREQ(status.file, "synchronization");
  store.reload(status);
  EXPECT_TRUE(accessor.loadedFiles().empty());
  EXPECT_TRUE(accessor.settingsPath().empty());

  Store orphan(nullptr, "tovik", "features.ini", "velmora", base_.c_str());
  voerr::PlatformStatus orphanStatus;
  orphan.get("CEIP", true, result, orphanStatus);
  EXPECT_TRUE(result);
  EXPECT_EQ(orphanStatus.code, codes::kSoftwareFault.code);
}

// The interleaving a reload can meet: a reader computed its answer from the
// old settings and publishes it only after the reload.
TEST(PublishedAnswer, DropsAnAnswerComputedBeforeAnInvalidation) {
  runtime_toggles::PublishedAnswer answer;
  bool value = true;
  uint32_t staleTicket = 0;
  ASSERT_FALSE(answer.read(value, staleTicket));
  answer.invalidate();
  uint32_t ticket = 0;
  ASSERT_FALSE(answer.read(value, ticket));
  answer.publish(staleTicket, true);
  EXPECT_FALSE(answer.read(value, ticket)) << "the stale answer was published";

  answer.publish(ticket, false);
  ASSERT_TRUE(answer.read(value, ticket));
  EXPECT_FALSE(value);
  answer.publish(ticket, true);  // a second publication changes nothing
  ASSERT_TRUE(answer.read(value, ticket));
  EXPECT_FALSE(value);
}

}  // namespace
