// The plugin cache over the full recording plugins (LD_LIBRARY_PATH).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "PluginTestSupport.h"
#include "plugins/CloseFunction.h"
#include "plugins/PluginFactory.h"

namespace {

using plugins_test::recordingControl;
using tovik::PluginKey;

constexpr int kOpenGlobal = RTLD_NOW | RTLD_GLOBAL;

// The first-load tests need a family nothing has loaded yet (the tests of
// this program share one process and one cache).
bool loadedAlready(const char* library) {
  return dlopen(library, RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

TEST(PluginCache, OneKeyLoadsOnce) {
  tovik::PluginCacheInterface& cache = tovik::pluginCache();
  tovik::Plugin* first = cache.getInstance(PluginKey::PAL);
  tovik::Plugin* second = cache.getInstance(PluginKey::PAL);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);

  const RecordingPluginControl* pal = recordingControl("libtovikpal.so");
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(pal->countOf("private.SetCloseFunctionPointer"), 1);
  EXPECT_EQ(pal->closeFunction(), reinterpret_cast<void*>(&tovik_close));

  pal->reset();
  EXPECT_EQ(first->mainTable().reset(5), 0);
  EXPECT_EQ(plugins_test::callNames(*pal), std::vector<std::string>{"main.reset"});
}

// The cache lock is recursive: a plugin that asks the cache for another
// plugin while it is being loaded gets it.
TEST(PluginCache, PluginMayUseTheCacheWhileLoading) {
  if (loadedAlready("libtovikremote.so")) GTEST_SKIP() << "Remote was loaded before";
  const RecordingPluginControl* remote = recordingControl("libtovikremote.so", kOpenGlobal);
  ASSERT_NE(remote, nullptr);
  struct Seen {
    tovik::Plugin* harbor = nullptr;
  } seen;
  remote->setLoadHook(
      [](void* context) {
        static_cast<Seen*>(context)->harbor = tovik::pluginCache().getInstance(PluginKey::Harbor);
      },
      &seen);
  tovik::Plugin* plugin = tovik::pluginCache().getInstance(PluginKey::Remote);
  remote->setLoadHook(nullptr, nullptr);
  EXPECT_NE(plugin, nullptr);
  ASSERT_NE(seen.harbor, nullptr);
  EXPECT_EQ(tovik::pluginCache().getInstance(PluginKey::Harbor), seen.harbor);
}

TEST(PluginCache, ConcurrentFirstRequestsShareOneLoad) {
  if (loadedAlready("libtovikgrpc.so")) GTEST_SKIP() << "GRPC was loaded before";
  const RecordingPluginControl* grpc = recordingControl("libtovikgrpc.so", kOpenGlobal);
  ASSERT_NE(grpc, nullptr);
  grpc->setLoadHook([](void*) { std::this_thread::sleep_for(std::chrono::milliseconds(50)); },
                    nullptr);
  std::atomic<bool> go{false};
  std::vector<tovik::Plugin*> plugins(4, nullptr);
  std::vector<std::thread> threads;
  for (tovik::Plugin*& plugin : plugins) {
    threads.emplace_back([&go, &plugin] {
      while (!go.load()) std::this_thread::yield();
      plugin = tovik::pluginCache().getInstance(PluginKey::GRPC);
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();
  grpc->setLoadHook(nullptr, nullptr);
  for (tovik::Plugin* plugin : plugins) EXPECT_EQ(plugin, plugins[0]);
  EXPECT_EQ(grpc->countOf("private.SetCloseFunctionPointer"), 1);
}

TEST(PluginCache, AllInstancesInKeyOrder) {
  tovik::PluginCacheInterface& cache = tovik::pluginCache();
  const std::vector<tovik::Plugin*> expected = {
      cache.getInstance(PluginKey::GRPC), cache.getInstance(PluginKey::Harbor),
      cache.getInstance(PluginKey::PAL), cache.getInstance(PluginKey::Remote)};
  EXPECT_EQ(cache.getAllInstances(),
            (std::vector<tovik::Plugin*>{expected[2], expected[1], expected[3], expected[0]}));
}

}  // namespace
