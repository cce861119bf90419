// The instrument properties of a device record.
#pragma once

#include <cstdint>
#include <string>

#include "sysconfig/PropertyBagHandle.h"

namespace sysapicpp {

class ModularInstrumentsPropertyBagAccessor : public virtual PropertyBagHandle {
 public:
  // 1 marks a device that may be used without simulation.
  int32_t usableState() const { return getInt32(kVosysTagUsableState); }
  uint32_t productId() const { return getUInt32(kVosysTagProductId); }
  std::string serialNumber() const { return getString(kVosysTagSerialNumber); }
  // A simulated device that the service keeps.
  bool isKeptSimulation() const { return getBool(kVosysTagKeptSimulation); }

 protected:
  // Only as a part of a record, which constructs the bag.
  ModularInstrumentsPropertyBagAccessor() = default;
};

}  // namespace sysapicpp
