// The system's own in-process property bag: typed values by tag, offered
// through the service's bag interface so that it can stand wherever a bag of
// the service does (the initial bag of a device record).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "sysconfig/InterfacePtr.h"
#include "vosysapi.h"

// A UTC time stamp: seconds since 1970-01-01T00:00:00Z and a binary fraction
// of the next second (2^-64 units).
struct CmxUtcTime {
  int64_t seconds = 0;
  uint64_t fraction = 0;
  bool operator==(const CmxUtcTime& other) const {
    return seconds == other.seconds && fraction == other.fraction;
  }
};

class CmxPropertyValue {
 public:
  virtual ~CmxPropertyValue() = default;
};

template <class T>
class CmxTemplatePropertyValue final : public CmxPropertyValue {
 public:
  explicit CmxTemplatePropertyValue(T value) : value_(std::move(value)) {}
  const T& value() const { return value_; }

 private:
  T value_;
};

template <class T>
struct CmxIsPropertyType
    : std::integral_constant<bool, std::is_same<T, bool>::value || std::is_same<T, int32_t>::value ||
                                       std::is_same<T, uint32_t>::value ||
                                       std::is_same<T, double>::value ||
                                       std::is_same<T, VosysGuid>::value ||
                                       std::is_same<T, std::u32string>::value ||
                                       std::is_same<T, CmxUtcTime>::value> {};

// Created only through create(), which wraps it in a reference count. A
// read of an absent tag fails with kVosysErrPropertyNotFound (0x80040371),
// of a tag holding another type with kVosysErrPropertyTypeMismatch
// (0x80040370). Calls may come from several threads.
class CmxDynamicPropertyBag : public ImxSysPropertyBag {
 public:
  CmxDynamicPropertyBag(const CmxDynamicPropertyBag&) = delete;
  CmxDynamicPropertyBag& operator=(const CmxDynamicPropertyBag&) = delete;

  // A new, empty bag with one reference for the caller.
  static sysapicpp::InterfacePtr<CmxDynamicPropertyBag> create();

  // Any later value of a tag replaces the earlier one, whatever its type.
  template <class T>
  void setValue(uint32_t tag, T value) {
    static_assert(CmxIsPropertyType<T>::value, "not a property type");
    auto stored = std::make_unique<CmxTemplatePropertyValue<T>>(std::move(value));
    std::lock_guard<std::mutex> lock(mutex_);
    values_[tag] = std::move(stored);
  }

  template <class T>
  VosysResult getValue(uint32_t tag, T& value) const {
    static_assert(CmxIsPropertyType<T>::value, "not a property type");
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = values_.find(tag);
    if (found == values_.end()) return kVosysErrPropertyNotFound;
    const auto* typed = dynamic_cast<const CmxTemplatePropertyValue<T>*>(found->second.get());
    if (typed == nullptr) return kVosysErrPropertyTypeMismatch;
    value = typed->value();
    return kVosysOk;
  }

  VosysResult queryInterface(const VosysGuid& iid, void** object) override;
  VosysResult setString(uint32_t tag, const char32_t* text) override;
  VosysResult getBool(uint32_t tag, int32_t* value) override;
  VosysResult getInt32(uint32_t tag, int32_t* value) override;
  VosysResult getUInt32(uint32_t tag, uint32_t* value) override;
  VosysResult getString(uint32_t tag, char32_t** text) override;

 protected:
  CmxDynamicPropertyBag() = default;
  virtual ~CmxDynamicPropertyBag() = default;

 private:
  mutable std::mutex mutex_;
  std::map<uint32_t, std::unique_ptr<CmxPropertyValue>> values_;
};

// The reference-counting wrapper every CmxDynamicPropertyBag lives in.
template <class Base>
class CmxRefCountedObject final : public VosysRefCounted<Base> {
 public:
  CmxRefCountedObject() = default;

 private:
  ~CmxRefCountedObject() override = default;
};
