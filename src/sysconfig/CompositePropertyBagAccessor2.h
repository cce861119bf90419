// A record offering two accessors' operations on the one bag they share.
#pragma once

#include <utility>

#include "sysconfig/ModularInstrumentsPropertyBagAccessor.h"
#include "sysconfig/PropertyBagHandle.h"
#include "sysconfig/SystemAPIPropertyBagAccessor.h"

namespace sysapicpp {

template <class First, class Second>
class CompositePropertyBagAccessor2 : public First, public Second {
 public:
  explicit CompositePropertyBagAccessor2(PropertyBagHandle bag)
      : PropertyBagHandle(std::move(bag)) {}
  CompositePropertyBagAccessor2(const CompositePropertyBagAccessor2&) = default;
  CompositePropertyBagAccessor2(CompositePropertyBagAccessor2&&) = default;
  // The implicit assignments would assign the shared bag once per base; a
  // second move would then take from an already emptied source.
  CompositePropertyBagAccessor2& operator=(const CompositePropertyBagAccessor2& other) {
    PropertyBagHandle::operator=(other);
    return *this;
  }
  CompositePropertyBagAccessor2& operator=(CompositePropertyBagAccessor2&& other) noexcept {
    PropertyBagHandle::operator=(std::move(other));
    return *this;
  }
  ~CompositePropertyBagAccessor2() = default;
};

// The device record that a hardware search yields.
using DeviceRecord =
    CompositePropertyBagAccessor2<SystemAPIPropertyBagAccessor, ModularInstrumentsPropertyBagAccessor>;

}  // namespace sysapicpp
