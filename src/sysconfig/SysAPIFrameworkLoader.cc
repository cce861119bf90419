#include "sysconfig/SysAPIFrameworkLoader.h"

#include <boost/thread/lock_guard.hpp>
#include <utility>

namespace misysapiaccessor {

SysAPIFrameworkLoader::SysAPIFrameworkLoader(std::string expertList)
    : expertList_(std::move(expertList)) {}

// The framework reference is released here. The service library is a
// link-time dependency of ours, so it is still loaded when this runs at exit.
SysAPIFrameworkLoader::~SysAPIFrameworkLoader() = default;

sysapicpp::DeviceFramework& SysAPIFrameworkLoader::getFramework() {
  // boost::mutex retries a lock interrupted by a signal and throws
  // boost::lock_error on any other failure.
  boost::lock_guard<boost::mutex> lock(mutex_);
  if (!framework_) framework_ = sysapicpp::DeviceFrameworkHandle::instantiate(expertList_);
  return *framework_;
}

}  // namespace misysapiaccessor
