// The service-wide properties of a device record.
#pragma once

#include <string>

#include "sysconfig/PropertyBagHandle.h"

namespace sysapicpp {

class SystemAPIPropertyBagAccessor : public virtual PropertyBagHandle {
 public:
  // The name a hardware search matches.
  std::string resourceName() const { return getString(kVosysTagResourceName); }
  void setResourceName(const std::string& name) { setString(kVosysTagResourceName, name); }

 protected:
  // Only as a part of a record, which constructs the bag.
  SystemAPIPropertyBagAccessor() = default;
};

}  // namespace sysapicpp
