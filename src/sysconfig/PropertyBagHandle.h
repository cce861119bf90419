// Typed property reads and writes on one property bag: the service's, or
// the system's own CmxDynamicPropertyBag.
#pragma once

#include <cstdint>
#include <string>

#include "sysconfig/InterfacePtr.h"
#include "vosysapi.h"

namespace sysapicpp {

// Every failing operation throws HResultException with the bag's code.
class PropertyBagHandle {
 public:
  // Holds no bag: every operation throws UnexpectedException.
  PropertyBagHandle() = default;
  explicit PropertyBagHandle(InterfacePtr<ImxSysPropertyBag> bag) : bag_(std::move(bag)) {}
  // Asks `object` for the bag interface; throws UnexpectedException when it
  // is null or refuses.
  static PropertyBagHandle fromObject(const InterfacePtr<ImxSysUnknown>& object);

  void setString(uint32_t tag, const std::string& text);
  // Boolean properties are 32-bit; any non-zero value is true.
  bool getBool(uint32_t tag) const;
  int32_t getInt32(uint32_t tag) const;
  uint32_t getUInt32(uint32_t tag) const;
  // A bag that answers with a positive code has no text: "".
  std::string getString(uint32_t tag) const;

  // The bag itself; throws UnexpectedException when there is none.
  ImxSysPropertyBag& bag() const;

 private:
  InterfacePtr<ImxSysPropertyBag> bag_;
};

}  // namespace sysapicpp
