// POSIX mutex, semaphore and allocation, reporting into a PlatformStatus.
#include "platform/Primitives.h"

#include <cerrno>
#include <cstdlib>
#include <new>

#include "status/StatusCodes.h"

namespace voapal {

namespace {

constexpr const char* kSynchronization = "synchronization";
constexpr int64_t kMutexLine = 588;

struct SemaphoreFailure {
  int64_t code;
  int64_t line;
};

SemaphoreFailure semaphoreFailure(int error) {
  switch (error) {
    case EPERM: return {voerr::codes::kSoftwareFault.code, 79};
    case EINVAL: return {voerr::codes::kInvalidParameter.code, 67};
    case ENOSPC: return {voerr::codes::kOsFault.code, 71};
    case ENOSYS: return {voerr::codes::kUnsupported.code, 75};
    default: return {voerr::codes::kOsFault.code, 83};
  }
}

}  // namespace

void GuardMutex::create(voerr::PlatformStatus& status) {
  created_ = false;
  if (status.code < 0) return;
  // The attributes object is left alive: some platforms keep a reference.
  static pthread_mutexattr_t attributes;
  if (pthread_mutexattr_init(&attributes) != 0 ||
      pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) != 0) {
    status.setPlatformCode(voerr::codes::kSoftwareFault.code, voerr::kComponent, kSynchronization,
                           kMutexLine);
    return;
  }
  pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
  if (pthread_mutex_init(&mutex_, &attributes) != 0) {
    status.setPlatformCode(voerr::codes::kSoftwareFault.code, voerr::kComponent, kSynchronization,
                           kMutexLine);
    return;
  }
  created_ = true;
}

void GuardMutex::destroy() {
  if (!created_) return;
  pthread_mutex_destroy(&mutex_);
  created_ = false;
}

void Semaphore::create(unsigned initialCount, voerr::PlatformStatus& status) {
  voerr::PlatformStatus local;
  if (sem_init(&storage_, 0, initialCount) == 0) {
    semaphore_ = &storage_;
  } else {
    const SemaphoreFailure failure = semaphoreFailure(errno);
    local.setPlatformCode(failure.code, voerr::kComponent, "tSemaphore", failure.line);
  }
  status.merge(local);
}

void Semaphore::wait() {
  while (sem_wait(semaphore_) != 0 && errno == EINTR) {
  }
}

void Semaphore::destroy() {
  if (semaphore_) {
    if (name_) {
      sem_close(semaphore_);
    } else {
      sem_destroy(semaphore_);
    }
    semaphore_ = nullptr;
  }
  if (unlink_ && name_) sem_unlink(name_);
  std::free(name_);
  name_ = nullptr;
}

void ReaderWriterLock::create(voerr::PlatformStatus& status) {
  readerCount_ = 0;
  readerCountMutex_.create(status);
  writeSemaphore_.create(1, status);
}

void ReaderWriterLock::enterRead() {
  // sem_wait is a cancellation point: a thread cancelled while it waits
  // unwinds from here, through the guard, without having counted itself.
  GuardLock lock(readerCountMutex_);
  if (readerCount_ == 0) writeSemaphore_.wait();
  ++readerCount_;
}

void ReaderWriterLock::leaveRead() {
  GuardLock lock(readerCountMutex_);
  if (--readerCount_ == 0) writeSemaphore_.post();
}

void* allocateWithStatus(size_t byteCount, voerr::PlatformStatus& status) {
  if (status.code < 0) return nullptr;
  void* memory = std::malloc(byteCount ? byteCount : 1);
  if (!memory) {
    status.setPlatformCode(voerr::codes::kMemoryFull.code, voerr::kComponent, "memoryAllocation",
                           329);
  }
  return memory;
}

}  // namespace voapal
