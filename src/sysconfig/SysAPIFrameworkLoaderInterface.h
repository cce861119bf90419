// Hands out the process's system configuration framework.
#pragma once

#include "sysconfig/Framework.h"

namespace misysapiaccessor {

class SysAPIFrameworkLoaderInterface {
 public:
  virtual ~SysAPIFrameworkLoaderInterface() = default;
  // The framework, instantiated on the first call that succeeds; it lives as
  // long as the loader. Throws sysapicpp::HResultException when the service
  // cannot be instantiated (nothing is kept; the next call tries again) and
  // boost::lock_error when the mutex cannot be taken.
  virtual sysapicpp::DeviceFramework& getFramework() = 0;
};

}  // namespace misysapiaccessor
