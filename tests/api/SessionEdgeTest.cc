// Opening and closing where the plugin or the process is not as usual; each
// program runs with its own library path (see CMakeLists.txt).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "RecordingPlugin.h"
#include "sessions/SessionRegistry.h"
#include "tovik/tovik.h"

namespace {

[[maybe_unused]] constexpr const char* kSimulated = "Simulate=1,DriverSetup=Model:GE";

[[maybe_unused]] const RecordingPluginControl* pal() {
  return RecordingPlugin_find("libtovikpal.so");
}

#if defined(TOVIK_PLUGIN_WITHOUT_CLOSE)
TEST(SessionClose, APluginWithoutAClosingEntryKeepsTheSession) {
  ViSession vi = 0;
  ASSERT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, kSimulated, &vi), 0);
  EXPECT_EQ(tovik_close(vi), static_cast<ViStatus>(0xBFFA0011u));
  EXPECT_EQ(tovik_CloseExtCal(vi, 0), static_cast<ViStatus>(0xBFFA0011u));
  EXPECT_EQ(tovik_reset(vi), 0);
  EXPECT_TRUE(miivi::sessionRegistry().find(vi));
}
#endif

#if defined(TOVIK_LIBRARY_NOT_ON_PATH)
TEST(SessionOpen, AFailureAfterTheOpeningEntryWinsOverItsWarning) {
  ViSession vi = 0;
  // The first open loads the plugin; its opening entry then warns, and the
  // library cannot pin itself, so nothing is registered.
  const ViStatus first = tovik_InitWithOptions("", VI_FALSE, VI_FALSE, kSimulated, &vi);
  EXPECT_EQ(first, -52005);
  ASSERT_NE(pal(), nullptr);
  pal()->setResult("main.InitWithOptions", 0x3FFA0001);
  pal()->setNextHandle(0x999);
  EXPECT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, kSimulated, &vi), -52005);
  EXPECT_EQ(pal()->countOf("main.InitWithOptions"), 2);  // the entry ran both times
  EXPECT_FALSE(miivi::sessionRegistry().find(0x999));
}
#endif

}  // namespace
