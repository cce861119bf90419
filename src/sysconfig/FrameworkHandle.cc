#include "sysconfig/FrameworkHandle.h"

#include "status/StatusCodes.h"
#include "sysconfig/HResultException.h"
#include "sysconfig/WideText.h"

namespace sysapicpp {
namespace {

constexpr voerr::RaiseSite kInstantiateSite{"FrameworkHandle", 59, voerr::kComponent, nullptr};
constexpr voerr::RaiseSite kCreateBagSite{"FrameworkHandle", 213, voerr::kComponent, nullptr};
constexpr voerr::RaiseSite kFindHardwareSite{"FrameworkHandle", 245, voerr::kComponent, nullptr};
constexpr voerr::RaiseSite kListExpertsSite{"FrameworkHandle", 298, voerr::kComponent, nullptr};

// The arguments of the framework version the system is written against.
constexpr int32_t kFrameworkVersion = 1;
constexpr int32_t kFrameworkRelease = 0;
constexpr int32_t kFrameworkFlavour = 2;

// Calls `visit` with each item until next() stops delivering. A result
// other than 0, or no item, ends the enumeration.
template <class Item, class Enumerator, class Visit>
void forEachItem(Enumerator& enumerator, Visit&& visit) {
  for (;;) {
    Item* raw = nullptr;
    uint32_t fetched = 0;
    const VosysResult result = enumerator.next(1, &raw, &fetched);
    InterfacePtr<Item> item = InterfacePtr<Item>::adopt(raw);
    if (result != kVosysOk || fetched != 1 || !item) return;
    visit(std::move(item));
  }
}

// A call that succeeded must deliver its object.
template <class T>
void requireObject(const InterfacePtr<T>& object, const voerr::RaiseSite& site) {
  if (!object) throw UnexpectedException(site);
}

}  // namespace

template <class Record>
std::unique_ptr<FrameworkHandle<Record>> FrameworkHandle<Record>::instantiate(
    const std::string& expertList) {
  const std::u32string experts = toWide(expertList);
  InterfacePtr<ImxSysFramework> framework;
  checkResult(vosysInstantiateFramework3(kFrameworkVersion, kFrameworkRelease, kFrameworkFlavour,
                                         experts.c_str(), framework.out()),
              kInstantiateSite);
  requireObject(framework, kInstantiateSite);
  return std::make_unique<FrameworkHandle>(std::move(framework));
}

template <class Record>
PropertyBagHandle FrameworkHandle<Record>::createPropertyBag() {
  InterfacePtr<ImxSysUnknown> object;
  checkResult(framework_->createPropertyBag(object.out()), kCreateBagSite);
  return PropertyBagHandle::fromObject(object);
}

template <class Record>
std::vector<Record> FrameworkHandle<Record>::findHardware(const std::string& target, int32_t mode,
                                                         const PropertyBagHandle& filter) {
  const std::u32string wideTarget = toWide(target);
  InterfacePtr<ImxSysEnumUnknown> found;
  checkResult(framework_->findHardware(wideTarget.c_str(), mode, &filter.bag(), found.out()),
              kFindHardwareSite);
  requireObject(found, kFindHardwareSite);
  std::vector<Record> records;
  forEachItem<ImxSysUnknown>(*found.get(), [&](InterfacePtr<ImxSysUnknown> item) {
    InterfacePtr<ImxSysPropertyBag> bag = item.query<ImxSysPropertyBag>();
    if (bag) records.emplace_back(PropertyBagHandle(std::move(bag)));
  });
  return records;
}

template <class Record>
std::vector<ExpertInfoHandle> FrameworkHandle<Record>::listExperts(const std::string& target) {
  const std::u32string wideTarget = toWide(target);
  InterfacePtr<ImxSysEnumExpertInfo> experts;
  checkResult(framework_->listExperts(wideTarget.c_str(), experts.out()), kListExpertsSite);
  requireObject(experts, kListExpertsSite);
  std::vector<ExpertInfoHandle> items;
  forEachItem<ImxSysExpertInfo>(*experts.get(), [&](InterfacePtr<ImxSysExpertInfo> item) {
    items.emplace_back(std::move(item));
  });
  return items;
}

template class FrameworkHandle<DeviceRecord>;

}  // namespace sysapicpp
