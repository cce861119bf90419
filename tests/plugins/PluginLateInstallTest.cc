// A plugin library that is missing is not cached as missing: once the file
// appears on the loader's path the same process loads it.
#include <gtest/gtest.h>

#include <filesystem>

#include "PluginTestSupport.h"
#include "plugins/PluginFactory.h"

namespace {

namespace fs = std::filesystem;
using plugins_test::contains;
using plugins_test::thrownBy;

TEST(LateInstall, MissingLibraryThenInstalled) {
  // The build creates the directory (the loader never searches one it found
  // missing at startup); the library is not in it yet.
  const fs::path directory = LATE_INSTALL_DIR;
  fs::remove(directory / "libtovikpal.so");

  const plugins_test::Thrown missing =
      thrownBy([] { tovik::pluginCache().getInstance(tovik::PluginKey::PAL); });
  ASSERT_TRUE(missing.thrown);
  EXPECT_EQ(missing.code, -52005);
  EXPECT_TRUE(contains(missing.report, R"("file":"dynload","line":65,)")) << missing.report;
  EXPECT_TRUE(contains(missing.report, R"("path":"libtovikpal.so"},"internal_error":)"
                                       R"({"api":"dlerror","string":"libtovikpal.so)"))
      << missing.report;
  EXPECT_FALSE(contains(missing.report, "translator")) << missing.report;
  EXPECT_TRUE(tovik::pluginCache().getAllInstances().empty());

  fs::copy_file(FULL_PAL_PLUGIN, directory / "libtovikpal.so");
  tovik::Plugin* plugin = nullptr;
  const plugins_test::Thrown installed =
      thrownBy([&] { plugin = tovik::pluginCache().getInstance(tovik::PluginKey::PAL); });
  EXPECT_FALSE(installed.thrown) << installed.report;
  EXPECT_EQ(tovik::pluginCache().getAllInstances(), std::vector<tovik::Plugin*>{plugin});
  fs::remove(directory / "libtovikpal.so");
}

}  // namespace
