// The four outcomes of the "SetCloseFunctionPointer" handshake, one per
// family in the recording plugins' outcomes directory (LD_LIBRARY_PATH).
#include <gtest/gtest.h>

#include <string>

#include "PluginTestSupport.h"
#include "ivi_engine.h"
#include "plugins/PluginFactory.h"
#include "status/StatusCodes.h"

namespace {

using plugins_test::contains;
using plugins_test::recordingControl;
using plugins_test::thrownBy;
using tovik::PluginKey;

struct Case {
  PluginKey key;
  const char* library;
  int32_t code;  // 0: the plugin loads
  const char* constant;
  int closeCalls;  // per request
};

bool cached(tovik::Plugin* plugin) {
  for (tovik::Plugin* cachedPlugin : tovik::pluginCache().getAllInstances()) {
    if (cachedPlugin == plugin) return true;
  }
  return false;
}

TEST(CloseHandshake, Outcomes) {
  const Case cases[] = {
      {PluginKey::PAL, "libtovikpal.so", 0, nullptr, 1},
      {PluginKey::Harbor, "libvoGCtovikplugin.so", 0, nullptr, 1},
      {PluginKey::Remote, "libtovikremote.so", voerr::codes::kFunctionNotSupported.code,
       voerr::codes::kFunctionNotSupported.text, 0},
      {PluginKey::GRPC, "libtovikgrpc.so", RECORDING_PLUGIN_NEGATIVE_CLOSE_RESULT, "error_", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    tovik::Plugin* plugin = nullptr;
    const plugins_test::Thrown thrown =
        thrownBy([&] { plugin = tovik::pluginCache().getInstance(c.key); });
    const RecordingPluginControl* control = recordingControl(c.library);
    ASSERT_NE(control, nullptr) << "a failed load leaves the library mapped";
    EXPECT_EQ(control->countOf("private.SetCloseFunctionPointer"), c.closeCalls);
    if (c.code == 0) {
      EXPECT_FALSE(thrown.thrown) << thrown.report;
      EXPECT_TRUE(cached(plugin));
      // A warning from the handshake is left as the error information of no
      // session; success leaves none.
      ViStatus primary = -1;
      ViStatus secondary = -1;
      ViChar elaboration[IVI_MAX_MESSAGE_BUF_SIZE] = "";
      EXPECT_EQ(Ivi_GetErrorInfo(0, &primary, &secondary, elaboration), 0);
      EXPECT_EQ(primary, c.key == PluginKey::Harbor ? RECORDING_PLUGIN_POSITIVE_CLOSE_RESULT : 0);
      EXPECT_EQ(secondary, 0);
      continue;
    }
    ASSERT_TRUE(thrown.thrown);
    EXPECT_EQ(thrown.code, c.code);
    EXPECT_EQ(thrown.report.rfind(std::string(R"({"error_constant":")") + c.constant +
                                      R"(","file":"PluginFactory",)",
                                  0),
              0u)
        << thrown.report;
    EXPECT_TRUE(contains(thrown.report, R"("component":"tovik","translator":"mxlator_tovik")"))
        << thrown.report;

    // Nothing was cached: the next request starts over and fails the same way.
    EXPECT_EQ(tovik::pluginCache().getAllInstances().size(), 2u);
    const plugins_test::Thrown again =
        thrownBy([&] { tovik::pluginCache().getInstance(c.key); });
    EXPECT_EQ(again.code, c.code);
    EXPECT_EQ(control->countOf("private.SetCloseFunctionPointer"), 2 * c.closeCalls);
  }
}

}  // namespace
