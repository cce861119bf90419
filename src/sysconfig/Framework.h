// What the system asks of the system configuration framework.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sysconfig/CompositePropertyBagAccessor2.h"
#include "sysconfig/ExpertInfoHandle.h"
#include "sysconfig/PropertyBagHandle.h"

namespace sysapicpp {

// Every failure throws HResultException (Unexpected for a missing object).
template <class Record>
class Framework {
 public:
  virtual ~Framework() = default;
  // A new, empty bag of the service, e.g. a search filter.
  virtual PropertyBagHandle createPropertyBag() = 0;
  // The devices matching `filter`, in the service's order; found items
  // that are not property bags are skipped.
  virtual std::vector<Record> findHardware(const std::string& target, int32_t mode,
                                           const PropertyBagHandle& filter) = 0;
  // The installed configuration experts, in the service's order.
  virtual std::vector<ExpertInfoHandle> listExperts(const std::string& target) = 0;
};

using DeviceFramework = Framework<DeviceRecord>;

}  // namespace sysapicpp
