#include "sysconfig/CmxDynamicPropertyBag.h"

namespace {

// A typed read through the interface: the value converted by `deliver`.
template <class T, class Out, class Deliver>
VosysResult readInto(const CmxDynamicPropertyBag& bag, uint32_t tag, Out* out, Deliver&& deliver) {
  if (out == nullptr) return kVosysErrPointer;
  return vosysGuardedCall([&] {
    T value{};
    const VosysResult result = bag.getValue(tag, value);
    if (result == kVosysOk) deliver(value);
    return result;
  });
}

}  // namespace

sysapicpp::InterfacePtr<CmxDynamicPropertyBag> CmxDynamicPropertyBag::create() {
  return sysapicpp::InterfacePtr<CmxDynamicPropertyBag>::adopt(
      new CmxRefCountedObject<CmxDynamicPropertyBag>());
}

VosysResult CmxDynamicPropertyBag::queryInterface(const VosysGuid& iid, void** object) {
  if (object == nullptr) return kVosysErrPointer;
  *object = nullptr;
  if (iid != ImxSysUnknown::kIid && iid != ImxSysPropertyBag::kIid) return kVosysErrNoInterface;
  *object = static_cast<ImxSysPropertyBag*>(this);
  addRef();
  return kVosysOk;
}

VosysResult CmxDynamicPropertyBag::setString(uint32_t tag, const char32_t* text) {
  if (text == nullptr) return kVosysErrPointer;
  return vosysGuardedCall([&] {
    setValue(tag, std::u32string(text));
    return kVosysOk;
  });
}

VosysResult CmxDynamicPropertyBag::getBool(uint32_t tag, int32_t* value) {
  return readInto<bool>(*this, tag, value, [&](bool v) { *value = v ? 1 : 0; });
}

VosysResult CmxDynamicPropertyBag::getInt32(uint32_t tag, int32_t* value) {
  return readInto<int32_t>(*this, tag, value, [&](int32_t v) { *value = v; });
}

VosysResult CmxDynamicPropertyBag::getUInt32(uint32_t tag, uint32_t* value) {
  return readInto<uint32_t>(*this, tag, value, [&](uint32_t v) { *value = v; });
}

VosysResult CmxDynamicPropertyBag::getString(uint32_t tag, char32_t** text) {
  if (text != nullptr) *text = nullptr;
  return readInto<std::u32string>(*this, tag, text, [&](const std::u32string& v) {
    *text = vosysAllocString(v.data(), static_cast<uint32_t>(v.size()));
    if (*text == nullptr) throw std::bad_alloc();
  });
}
