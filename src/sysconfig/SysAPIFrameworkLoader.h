// The framework loader: one framework per loader, created on first use.
#pragma once

#include <boost/thread/mutex.hpp>
#include <memory>
#include <string>

#include "sysconfig/FrameworkHandle.h"
#include "sysconfig/SysAPIFrameworkLoaderInterface.h"

namespace misysapiaccessor {

class SysAPIFrameworkLoader final : public SysAPIFrameworkLoaderInterface {
 public:
  // expertList: configuration expert names separated by commas. Throws
  // boost::thread_resource_error when the mutex cannot be created.
  explicit SysAPIFrameworkLoader(std::string expertList);
  // Destroys only the mutex and the list: the framework stays alive until
  // the process ends.
  ~SysAPIFrameworkLoader() override;

  sysapicpp::DeviceFramework& getFramework() override;

  // For tests that count the service's objects: releases the frameworks
  // that destroyed loaders kept. The product never calls it.
  static void releaseKeptFrameworks();

 private:
  const std::string expertList_;
  std::unique_ptr<sysapicpp::DeviceFrameworkHandle> framework_;
  boost::mutex mutex_;
};

}  // namespace misysapiaccessor
