#include "sysconfig/PropertyBagHandle.h"

#include "status/StatusCodes.h"
#include "sysconfig/HResultException.h"
#include "sysconfig/WideText.h"

namespace sysapicpp {
namespace {

constexpr voerr::RaiseSite kNoBagSite{"PropertyBagHandle", 39, voerr::kComponent, nullptr};
constexpr voerr::RaiseSite kSetSite{"PropertyBagHandle", 285, voerr::kComponent, nullptr};
constexpr voerr::RaiseSite kGetSite{"PropertyBagHandle", 298, voerr::kComponent, nullptr};

}  // namespace

PropertyBagHandle PropertyBagHandle::fromObject(const InterfacePtr<ImxSysUnknown>& object) {
  InterfacePtr<ImxSysPropertyBag> bag = object.query<ImxSysPropertyBag>();
  if (!bag) throw UnexpectedException(kNoBagSite);
  return PropertyBagHandle(std::move(bag));
}

ImxSysPropertyBag& PropertyBagHandle::bag() const {
  if (!bag_) throw UnexpectedException(kNoBagSite);
  return *bag_.get();
}

void PropertyBagHandle::setString(uint32_t tag, const std::string& text) {
  const std::u32string wide = toWide(text);
  checkResult(bag().setString(tag, wide.c_str()), kSetSite);
}

bool PropertyBagHandle::getBool(uint32_t tag) const {
  int32_t value = 0;
  checkResult(bag().getBool(tag, &value), kGetSite);
  return value != 0;
}

int32_t PropertyBagHandle::getInt32(uint32_t tag) const {
  int32_t value = 0;
  checkResult(bag().getInt32(tag, &value), kGetSite);
  return value;
}

uint32_t PropertyBagHandle::getUInt32(uint32_t tag) const {
  uint32_t value = 0;
  checkResult(bag().getUInt32(tag, &value), kGetSite);
  return value;
}

std::string PropertyBagHandle::getString(uint32_t tag) const {
  ReturnedString text;
  const VosysResult result = bag().getString(tag, text.out());
  checkResult(result, kGetSite);
  return result > 0 ? std::string() : text.toUtf8();
}

}  // namespace sysapicpp
