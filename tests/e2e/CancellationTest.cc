// A thread cancelled (or ending itself) while inside a plugin entry unwinds
// through the shipped library's frames: the process goes on, the frame's
// trace record is released, and the session stays usable and closable from
// another thread.
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "RecordingPlugin.h"
#include "SimulatedSessions.h"
#include "SnooprRecord.h"
#include "tovik/tovik.h"

#if defined(__SANITIZE_ADDRESS__)
#define TOVIK_TEST_ADDRESS_SANITIZER 1
#include <sanitizer/asan_interface.h>
#else
#define TOVIK_TEST_ADDRESS_SANITIZER 0
#endif

namespace {

enum class Ending { kCancelled, kExited };

struct Blocker {
  const char* entry;
  Ending ending;
  std::atomic<bool> entered{false};
};

// Runs inside the plugin entry: blocks in a cancellation point until
// cancelled, or ends the thread itself.
void blockInside(const char* entry, void* context) {
  auto* blocker = static_cast<Blocker*>(context);
  if (std::string(entry) != blocker->entry) return;
  blocker->entered = true;
  if (blocker->ending == Ending::kExited) pthread_exit(nullptr);
#if TOVIK_TEST_ADDRESS_SANITIZER
  // Unwinding from a cancellation point does not tell AddressSanitizer,
  // which then trips over the stack poison of the frames passed (its hook
  // before each cleanup writes there). pthread_exit gets this by itself.
  __asan_handle_no_return();
#endif
  for (;;) pause();
}

struct Call {
  const char* name;
  const char* entry;
  const char* traceName;
  void (*run)(ViSession* vi);
};

const Call kCalls[] = {
    {"standard", "main.ConfigureFrequency", "tovik_ConfigureFrequency",
     [](ViSession* vi) { tovik_ConfigureFrequency(*vi, "0", 1e6); }},
    {"opening", "main.InitWithOptions", "tovik_InitWithOptions",
     [](ViSession* vi) {
       ViSession opened = 0;
       e2e::openSimulated(&opened);
       *vi = opened;
     }},
    {"closing", "main.close", "tovik_close", [](ViSession* vi) { tovik_close(*vi); }},
};

struct ThreadArguments {
  const Call* call;
  ViSession* vi;
};

void* callThread(void* raw) {
  auto* arguments = static_cast<ThreadArguments*>(raw);
  arguments->call->run(arguments->vi);
  return nullptr;
}

TEST(Cancellation, AThreadEndedInsideAPluginEntryUnwindsThroughTheFrame) {
  const std::string logPath = ::testing::TempDir() + "cancellation_test.log";
  const RecordingPluginControl* pal = e2e::loadPal();
  ASSERT_NE(pal, nullptr);

  for (const Call& call : kCalls) {
    for (const Ending ending : {Ending::kCancelled, Ending::kExited}) {
      SCOPED_TRACE(std::string(call.name) +
                   (ending == Ending::kCancelled ? " call, cancelled" : " call, exited"));
      pal->reset();
      pal->setNextHandle(RECORDING_PLUGIN_FRESH_HANDLES);
      ViSession vi = 0;
      ASSERT_EQ(e2e::openSimulated(&vi), 0);
      const ViSession opened = vi;
      snoopr::ScopedLogFile log(logPath);

      Blocker blocker{call.entry, ending};
      pal->setCallHook(&blockInside, &blocker);
      ThreadArguments arguments{&call, &vi};
      pthread_t thread;
      ASSERT_EQ(pthread_create(&thread, nullptr, &callThread, &arguments), 0);
      while (!blocker.entered) usleep(100);
      if (ending == Ending::kCancelled) {
        ASSERT_EQ(pthread_cancel(thread), 0);
      }
      void* threadResult = nullptr;
      ASSERT_EQ(pthread_join(thread, &threadResult), 0);
      EXPECT_EQ(threadResult, ending == Ending::kCancelled ? PTHREAD_CANCELED : nullptr);
      pal->setCallHook(nullptr, nullptr);

      // The frame released its record on the way out: written unfinished.
      const snoopr::RecordFile file = log.read();
      ASSERT_EQ(file.records.size(), 1u);
      EXPECT_EQ(file.records[0].functionName.value_or(""), call.traceName);
      EXPECT_FALSE(file.records[0].returnCount.has_value());

      // This thread goes on with the library as if nothing happened.
      if (std::string(call.name) == "closing") {
        // Taken out before the plugin ran: the handle is gone.
        EXPECT_EQ(tovik_close(opened), static_cast<ViStatus>(0xBFFA1190u));
        EXPECT_EQ(pal->countOf("main.close"), 1);
        continue;
      }
      EXPECT_EQ(tovik_ConfigureFrequency(opened, "0", 2e6), 0);
      EXPECT_EQ(tovik_close(opened), 0);
      EXPECT_EQ(pal->countOf("main.close"), 1);
    }
  }
}

}  // namespace
