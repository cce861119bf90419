#include "sysconfig/SysAPIFrameworkLoader.h"

#include <atomic>
#include <boost/thread/lock_guard.hpp>
#include <new>
#include <utility>

namespace misysapiaccessor {

namespace {

// Frameworks of destroyed loaders, never released by the product: the
// process-wide loader dies during static destruction, when the service may
// already be torn down, so its framework must not be released then.
struct KeptFramework {
  std::unique_ptr<sysapicpp::DeviceFrameworkHandle> framework;
  KeptFramework* next;
};
std::atomic<KeptFramework*> keptFrameworks{nullptr};

}  // namespace

SysAPIFrameworkLoader::SysAPIFrameworkLoader(std::string expertList)
    : expertList_(std::move(expertList)) {}

SysAPIFrameworkLoader::~SysAPIFrameworkLoader() {
  if (!framework_) return;
  auto* kept = new (std::nothrow) KeptFramework{nullptr, keptFrameworks.load()};
  if (!kept) {
    static_cast<void>(framework_.release());  // never released, only unreachable
    return;
  }
  kept->framework = std::move(framework_);
  while (!keptFrameworks.compare_exchange_weak(kept->next, kept)) {
  }
}

void SysAPIFrameworkLoader::releaseKeptFrameworks() {
  KeptFramework* kept = keptFrameworks.exchange(nullptr);
  while (kept) {
    delete std::exchange(kept, kept->next);
  }
}

sysapicpp::DeviceFramework& SysAPIFrameworkLoader::getFramework() {
  // boost::mutex retries a lock interrupted by a signal and throws
  // boost::lock_error on any other failure.
  boost::lock_guard<boost::mutex> lock(mutex_);
  if (!framework_) framework_ = sysapicpp::DeviceFrameworkHandle::instantiate(expertList_);
  return *framework_;
}

}  // namespace misysapiaccessor
