// A process-wide object built on first use under a construction mutex that
// exists before any export runs, and destroyed at exit.
#pragma once

#include <cstdlib>

#include "platform/Primitives.h"
#include "status/PlatformStatus.h"

namespace miivi {

template <typename T>
class GuardedSingleton {
 public:
  // The one guard of T. Reach it from a static initialiser of the owning
  // file so that it is set up while the library loads.
  static GuardedSingleton& guard() {
    static GuardedSingleton instance;
    return instance;
  }

  // Every call takes the construction mutex, not only the first. `make`
  // builds the object into a PlatformStatus; a failed build is thrown and
  // the next call tries again.
  template <typename Make>
  T& get(Make make) {
    if (status_.code < 0) voerr::throwIfFailed(status_);  // every API call passes here
    voapal::GuardLock lock(mutex_);
    if (!object_) {
      voerr::PlatformStatus status;
      T* object = make(status);
      if (status.code < 0) {
        delete object;
        voerr::throwIfFailed(status);
      }
      static const bool exitHandlerRegistered = (std::atexit(&destroy), true);
      (void)exitHandlerRegistered;
      object_ = object;
    }
    return *object_;
  }

 private:
  GuardedSingleton() { mutex_.create(status_); }

  static void destroy() {
    GuardedSingleton& self = guard();
    voapal::GuardLock lock(self.mutex_);
    delete self.object_;
    self.object_ = nullptr;
  }

  voerr::PlatformStatus status_;
  voapal::GuardMutex mutex_;
  T* object_ = nullptr;
};

}  // namespace miivi
