// The host thread-storage index reaches loaded plugins and those loaded
// later. One story per process: the index is process-wide.
#include <gtest/gtest.h>

#include "PluginTestSupport.h"
#include "plugins/PluginFactory.h"

namespace {

using plugins_test::callLog;
using plugins_test::recordingControl;
using tovik::PluginKey;

// The arguments of the SetYMRTTLSIndex calls in the log, and whether each
// came before the close-pointer handshake.
std::vector<int32_t> indexesReceived(const RecordingPluginControl& control) {
  std::vector<int32_t> indexes;
  for (const RecordingPluginCall& call : callLog(control)) {
    if (std::string(call.entry) == "threadstorage.SetYMRTTLSIndex") {
      EXPECT_EQ(call.argCount, 1u);
      EXPECT_EQ(call.args[0].width, 4u);
      indexes.push_back(static_cast<int32_t>(call.args[0].bits));
    }
  }
  return indexes;
}

TEST(ThreadStorageIndex, ReachesLoadedAndLaterPlugins) {
  EXPECT_EQ(tovik::hostThreadStorageIndex(), -1);
  tovik::pluginCache().getInstance(PluginKey::PAL);
  const RecordingPluginControl* pal = recordingControl("libtovikpal.so");
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(indexesReceived(*pal), std::vector<int32_t>{-1});

  tovik::setThreadStorageIndex(7);
  EXPECT_EQ(tovik::hostThreadStorageIndex(), 7);
  EXPECT_EQ(indexesReceived(*pal), (std::vector<int32_t>{-1, 7}));

  tovik::pluginCache().getInstance(PluginKey::Harbor);
  const RecordingPluginControl* harbor = recordingControl("libvoGCtovikplugin.so");
  ASSERT_NE(harbor, nullptr);
  EXPECT_EQ(indexesReceived(*harbor), std::vector<int32_t>{7});
  EXPECT_EQ(plugins_test::callNames(*harbor),
            (std::vector<std::string>{"threadstorage.SetYMRTTLSIndex",
                                      "private.SetCloseFunctionPointer"}));

  tovik::setThreadStorageIndex(-3);
  EXPECT_EQ(indexesReceived(*pal), (std::vector<int32_t>{-1, 7, -3}));
  EXPECT_EQ(indexesReceived(*harbor), (std::vector<int32_t>{7, -3}));
}

}  // namespace
