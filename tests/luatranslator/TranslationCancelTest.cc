// A thread cancelled while the script translator waits inside a script's
// call into the host (share.dir is a FIFO nobody writes, so expanding the
// errors directory blocks in open) unwinds through the interpreter's frames
// and ours: the thread ends cancelled, the process goes on, and the state is
// closed on the way out (a leak would show under AddressSanitizer).
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "status/Raise.h"
#include "text/BasicString.h"
#include "translator/Translate.h"

namespace {

std::atomic<long> translatingThread{0};

void repeatedTag(voerr::Status& report) {
  TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString)
      .usage("kSidlRepeatedTag", "Model")
      .into(report);
}

void* translate(void*) {
  translatingThread = syscall(SYS_gettid);
  voerr::Status report;
  repeatedTag(report);
  vohtl::BasicString text;
  voerr::Status status;
  vomxl::translateStatusToFormattedText(report, 0, 1, text, status);
  return nullptr;
}

// The system call a thread is blocked in, from /proc (-1 when running).
long blockedIn(long thread) {
  std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/syscall");
  long number = -1;
  file >> number;
  return number;
}

TEST(TranslationCancel, ACancelledThreadUnwindsThroughTheScripts) {
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, nullptr, &translate, nullptr), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (translatingThread == 0 || blockedIn(translatingThread) != SYS_openat) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the translation never blocked";
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(pthread_cancel(thread), 0);
  void* result = nullptr;
  ASSERT_EQ(pthread_join(thread, &result), 0);
  EXPECT_EQ(result, PTHREAD_CANCELED);

  // The dynamic description needs no directory: translations go on.
  voerr::Status report;
  repeatedTag(report);
  vohtl::BasicString text;
  voerr::Status status;
  vomxl::translateStatusToFormattedText(report, 0, 2, text, status);
  EXPECT_EQ(std::string(text.view()), "Repeated DriverSetup tag.: Model");
  EXPECT_EQ(status.code, 0) << status.reportText();
}

}  // namespace
