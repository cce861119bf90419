// The framework of the system configuration service, one reference held.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sysconfig/Framework.h"
#include "sysconfig/InterfacePtr.h"
#include "vosysapi.h"

namespace sysapicpp {

template <class Record>
class FrameworkHandle final : public Framework<Record> {
 public:
  // Instantiates the service's framework for the comma-separated experts.
  static std::unique_ptr<FrameworkHandle> instantiate(const std::string& expertList);

  explicit FrameworkHandle(InterfacePtr<ImxSysFramework> framework)
      : framework_(std::move(framework)) {}

  PropertyBagHandle createPropertyBag() override;
  std::vector<Record> findHardware(const std::string& target, int32_t mode,
                                   const PropertyBagHandle& filter) override;
  std::vector<ExpertInfoHandle> listExperts(const std::string& target) override;

 private:
  InterfacePtr<ImxSysFramework> framework_;
};

using DeviceFrameworkHandle = FrameworkHandle<DeviceRecord>;
extern template class FrameworkHandle<DeviceRecord>;

}  // namespace sysapicpp
