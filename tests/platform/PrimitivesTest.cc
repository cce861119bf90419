#include "platform/Primitives.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace {

TEST(GuardMutex, IsNotCreatedOverAnError) {
  voerr::PlatformStatus status;
  status.setPlatformCode(-52000, "tovik", "memory", 393);
  voapal::GuardMutex mutex;
  mutex.create(status);
  EXPECT_FALSE(mutex.created());
  mutex.destroy();
  EXPECT_EQ(status.code, -52000);
}

TEST(GuardMutex, IsRecursive) {
  voerr::PlatformStatus status;
  voapal::GuardMutex mutex;
  mutex.create(status);
  ASSERT_TRUE(mutex.created());
  voapal::GuardLock outer(mutex);
  voapal::GuardLock inner(mutex);
  EXPECT_EQ(status.code, 0);
}

TEST(Semaphore, MapsCreationFailuresIntoTheCallersStatus) {
  voerr::PlatformStatus status;
  voapal::Semaphore tooLarge;
  tooLarge.create(static_cast<unsigned>(SEM_VALUE_MAX) + 1u, status);  // EINVAL
  EXPECT_FALSE(tooLarge.created());
  EXPECT_EQ(status.code, -52005);
  EXPECT_STREQ(status.file, "tSemaphore");
  EXPECT_EQ(status.line, 67);

  voerr::PlatformStatus earlier;
  earlier.setPlatformCode(-52000, "tovik", "memory", 393);
  voapal::Semaphore again;
  again.create(static_cast<unsigned>(SEM_VALUE_MAX) + 1u, earlier);
  EXPECT_EQ(earlier.code, -52000);
  EXPECT_STREQ(earlier.file, "memory");
}

std::atomic<int> signalsSeen{0};
void onSignal(int) { signalsSeen.fetch_add(1); }

TEST(Semaphore, WaitResumesAfterASignal) {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: sem_wait returns EINTR
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  voerr::PlatformStatus status;
  voapal::Semaphore semaphore;
  semaphore.create(0, status);
  ASSERT_TRUE(semaphore.created());
  std::atomic<bool> released{false};
  std::thread waiter([&] {
    semaphore.wait();
    released = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  pthread_kill(waiter.native_handle(), SIGUSR1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_GE(signalsSeen.load(), 1);
  EXPECT_FALSE(released.load());
  semaphore.post();
  waiter.join();
  EXPECT_TRUE(released.load());
  sigaction(SIGUSR1, &previous, nullptr);
}

TEST(ReaderWriterLock, ReadersShareAndWritersWait) {
  voerr::PlatformStatus status;
  voapal::ReaderWriterLock lock;
  lock.create(status);
  ASSERT_EQ(status.code, 0);
  std::atomic<bool> writerIn{false};
  std::thread writer;
  {
    voapal::ReadSection first(lock);
    voapal::ReadSection nested(lock);
    std::thread otherReader([&] { voapal::ReadSection other(lock); });
    otherReader.join();  // would hang if readers excluded each other
    writer = std::thread([&] {
      voapal::WriteSection write(lock);
      writerIn = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(writerIn.load());
    {
      voapal::ReadSection leaving(lock);
    }
    EXPECT_FALSE(writerIn.load());
  }
  writer.join();  // the last reader left: the writer gets in
  EXPECT_TRUE(writerIn.load());
}

TEST(AllocateWithStatus, RecordsMemoryFailure) {
  voerr::PlatformStatus status;
  void* memory = voapal::allocateWithStatus(SIZE_MAX / 2, status);
  EXPECT_EQ(memory, nullptr);
  EXPECT_EQ(status.code, -52000);
  EXPECT_STREQ(status.file, "memoryAllocation");
  EXPECT_EQ(status.line, 329);
  EXPECT_EQ(voapal::allocateWithStatus(16, status), nullptr);  // holds an error already
  voerr::PlatformStatus fresh;
  void* block = voapal::allocateWithStatus(16, fresh);
  EXPECT_NE(block, nullptr);
  std::free(block);
}

}  // namespace
