// Guard mutex, semaphore and allocation that report into a PlatformStatus.
#pragma once

#include <pthread.h>
#include <semaphore.h>

#include <cstddef>

#include "status/PlatformStatus.h"

namespace voapal {

// Recursive, priority-inheritance POSIX mutex.
class GuardMutex {
 public:
  GuardMutex() = default;
  GuardMutex(const GuardMutex&) = delete;
  GuardMutex& operator=(const GuardMutex&) = delete;
  ~GuardMutex() { destroy(); }

  // Does nothing when `status` already holds an error; records -52003
  // ("synchronization", 588) when the mutex cannot be created.
  void create(voerr::PlatformStatus& status);
  void destroy();
  void lock() { pthread_mutex_lock(&mutex_); }
  void unlock() { pthread_mutex_unlock(&mutex_); }
  bool created() const { return created_; }

 private:
  pthread_mutex_t mutex_{};
  bool created_ = false;
};

// Scoped lock on a GuardMutex.
class GuardLock {
 public:
  explicit GuardLock(GuardMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~GuardLock() { mutex_.unlock(); }
  GuardLock(const GuardLock&) = delete;
  GuardLock& operator=(const GuardLock&) = delete;

 private:
  GuardMutex& mutex_;
};

// Unnamed, process-private counting semaphore.
class Semaphore {
 public:
  Semaphore() = default;
  Semaphore(const Semaphore&) = delete;
  Semaphore& operator=(const Semaphore&) = delete;
  ~Semaphore() { destroy(); }

  // Records the errno-mapped failure into a fresh block and merges it into
  // `status`, so an earlier error there is kept.
  void create(unsigned initialCount, voerr::PlatformStatus& status);
  void wait();  // retries when interrupted by a signal
  void post() { sem_post(semaphore_); }
  void destroy();
  bool created() const { return semaphore_ != nullptr; }

 private:
  sem_t storage_{};
  sem_t* semaphore_ = nullptr;
  char* name_ = nullptr;
  bool unlink_ = false;
};

// Readers-preferring reader/writer lock: readers never wait for each other,
// a writer waits until no reader is inside; read sections may nest.
class ReaderWriterLock {
 public:
  // Creates the mutex and the semaphore into `status`.
  void create(voerr::PlatformStatus& status);
  void enterRead();
  void leaveRead();
  void enterWrite() { writeSemaphore_.wait(); }
  void leaveWrite() { writeSemaphore_.post(); }

 private:
  int readerCount_ = 0;
  GuardMutex readerCountMutex_;
  Semaphore writeSemaphore_;
};

class ReadSection {
 public:
  explicit ReadSection(ReaderWriterLock& lock) : lock_(lock) { lock_.enterRead(); }
  ~ReadSection() { lock_.leaveRead(); }
  ReadSection(const ReadSection&) = delete;
  ReadSection& operator=(const ReadSection&) = delete;

 private:
  ReaderWriterLock& lock_;
};

class WriteSection {
 public:
  explicit WriteSection(ReaderWriterLock& lock) : lock_(lock) { lock_.enterWrite(); }
  ~WriteSection() { lock_.leaveWrite(); }
  WriteSection(const WriteSection&) = delete;
  WriteSection& operator=(const WriteSection&) = delete;

 private:
  ReaderWriterLock& lock_;
};

// malloc that records -52000 ("memoryAllocation", 329) instead of failing
// loudly; null when `status` already holds an error.
void* allocateWithStatus(size_t byteCount, voerr::PlatformStatus& status);

}  // namespace voapal
