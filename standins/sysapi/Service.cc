// The service objects and the exported functions of the stand-in.
//
// Each framework works on the inventory it read when it was instantiated;
// the objects it hands out share that snapshot. Call counts and queued
// failures are process-wide behind one mutex; reference counts are atomic
// and every object guards its own mutable state, so any call may come from
// any thread.
#include <array>
#include <atomic>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "Inventory.h"
#include "vosysapi.h"
#include "vosysapi_standin.h"

#define VOSYS_EXPORT __attribute__((visibility("default")))

namespace vosysstandin {
namespace {

constexpr size_t kOperationCount = static_cast<size_t>(Operation::kCount);

struct Control {
  std::mutex mutex;
  std::array<uint64_t, kOperationCount> calls{};
  std::array<std::deque<VosysResult>, kOperationCount> pending;
};

// Namespace-scope so that they outlive every object a client still holds
// while the process exits.
Control gControl;
std::atomic<int64_t> gLiveObjects{0};

using InventoryRef = std::shared_ptr<const Inventory>;

// Counts the call and returns the result it must give instead of doing its
// work: a queued failure first, then a configured one, else 0.
VosysResult enter(Operation operation, const Inventory* inventory) {
  const size_t index = static_cast<size_t>(operation);
  std::lock_guard<std::mutex> lock(gControl.mutex);
  ++gControl.calls[index];
  if (!gControl.pending[index].empty()) {
    const VosysResult code = gControl.pending[index].front();
    gControl.pending[index].pop_front();
    return code;
  }
  if (inventory != nullptr) {
    const auto configured = inventory->failures.find(operation);
    if (configured != inventory->failures.end()) return configured->second;
  }
  return kVosysOk;
}

// Holds the reference of a new object until it is handed out.
template <class T>
class NewRef {
 public:
  explicit NewRef(T* object) : object_(object) {}
  NewRef(const NewRef&) = delete;
  NewRef& operator=(const NewRef&) = delete;
  ~NewRef() {
    if (object_ != nullptr) object_->release();
  }
  T* operator->() const { return object_; }
  T* detach() { return std::exchange(object_, nullptr); }

 private:
  T* object_;
};

// queryInterface for one interface (and the base), and the live count.
template <class Interface>
class Object : public VosysRefCounted<Interface> {
 public:
  VosysResult queryInterface(const VosysGuid& iid, void** object) override {
    return vosysGuardedCall([&] {
      if (object != nullptr) *object = nullptr;
      if (const VosysResult injected = enterCall(Operation::kQueryInterface)) return injected;
      if (object == nullptr) return kVosysErrPointer;
      if (iid != ImxSysUnknown::kIid && iid != Interface::kIid) return kVosysErrNoInterface;
      *object = static_cast<Interface*>(this);
      this->addRef();
      return kVosysOk;
    });
  }

 protected:
  explicit Object(InventoryRef inventory) : inventory_(std::move(inventory)) {
    gLiveObjects.fetch_add(1, std::memory_order_relaxed);
  }
  ~Object() override { gLiveObjects.fetch_sub(1, std::memory_order_relaxed); }

  VosysResult enterCall(Operation operation) const { return enter(operation, inventory_.get()); }

  const InventoryRef inventory_;
};

class PropertyBag final : public Object<ImxSysPropertyBag> {
 public:
  PropertyBag(InventoryRef inventory, PropertyMap properties, ResultMap results)
      : Object(std::move(inventory)),
        properties_(std::move(properties)),
        results_(std::move(results)) {}

  VosysResult setString(uint32_t tag, const char32_t* text) override {
    return vosysGuardedCall([&] {
      if (const VosysResult injected = enterCall(Operation::kSetString)) return injected;
      if (text == nullptr) return kVosysErrPointer;
      PropertyValue value{PropertyValue::kString, 0, text};
      std::lock_guard<std::mutex> lock(mutex_);
      properties_[tag] = std::move(value);
      return kVosysOk;
    });
  }
  VosysResult getBool(uint32_t tag, int32_t* value) override {
    return read(Operation::kGetBool, tag, PropertyValue::kBool, value,
                [&](const PropertyValue& p) { *value = static_cast<int32_t>(p.number); });
  }
  VosysResult getInt32(uint32_t tag, int32_t* value) override {
    return read(Operation::kGetInt32, tag, PropertyValue::kInt32, value,
                [&](const PropertyValue& p) { *value = static_cast<int32_t>(p.number); });
  }
  VosysResult getUInt32(uint32_t tag, uint32_t* value) override {
    return read(Operation::kGetUInt32, tag, PropertyValue::kUInt32, value,
                [&](const PropertyValue& p) { *value = static_cast<uint32_t>(p.number); });
  }
  VosysResult getString(uint32_t tag, char32_t** text) override {
    if (text != nullptr) *text = nullptr;
    return read(Operation::kGetString, tag, PropertyValue::kString, text,
                [&](const PropertyValue& p) {
                  *text = vosysAllocString(p.text.data(), static_cast<uint32_t>(p.text.size()));
                  if (*text == nullptr) throw std::bad_alloc();
                });
  }

  // The name a search compares, read without going through the interface
  // so that a search does not count as a client's getString.
  bool resourceName(std::u32string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = properties_.find(kVosysTagResourceName);
    if (found == properties_.end() || found->second.kind != PropertyValue::kString) return false;
    name = found->second.text;
    return true;
  }

 private:
  ~PropertyBag() override = default;

  template <class Deliver>
  VosysResult read(Operation operation, uint32_t tag, PropertyValue::Kind kind, const void* out,
                   Deliver&& deliver) {
    return vosysGuardedCall([&] {
      if (const VosysResult injected = enterCall(operation)) return injected;
      if (out == nullptr) return kVosysErrPointer;
      const auto forced = results_.find({operation, tag});
      const bool isForced = forced != results_.end();
      if (isForced && forced->second < 0) return forced->second;
      std::lock_guard<std::mutex> lock(mutex_);
      const auto found = properties_.find(tag);
      if (found == properties_.end()) return isForced ? forced->second : kVosysErrPropertyNotFound;
      if (found->second.kind != kind) {
        return isForced ? forced->second : kVosysErrPropertyTypeMismatch;
      }
      deliver(found->second);
      return isForced ? forced->second : kVosysOk;
    });
  }

  mutable std::mutex mutex_;
  PropertyMap properties_;
  const ResultMap results_;
};

// A found item that is not a property bag.
class OpaqueItem final : public Object<ImxSysUnknown> {
 public:
  explicit OpaqueItem(InventoryRef inventory) : Object(std::move(inventory)) {}

 private:
  ~OpaqueItem() override = default;
};

class ExpertItem final : public Object<ImxSysExpertInfo> {
 public:
  ExpertItem(InventoryRef inventory, std::u32string name)
      : Object(std::move(inventory)), name_(std::move(name)) {}

  VosysResult getName(char32_t** name) override {
    return vosysGuardedCall([&] {
      if (name != nullptr) *name = nullptr;
      if (const VosysResult injected = enterCall(Operation::kGetName)) return injected;
      if (name == nullptr) return kVosysErrPointer;
      *name = vosysAllocString(name_.data(), static_cast<uint32_t>(name_.size()));
      return *name != nullptr ? kVosysOk : kVosysErrOutOfMemory;
    });
  }

 private:
  ~ExpertItem() override = default;
  const std::u32string name_;
};

template <class EnumInterface, class Item>
class Enumerator final : public Object<EnumInterface> {
 public:
  explicit Enumerator(InventoryRef inventory) : Object<EnumInterface>(std::move(inventory)) {}

  // Takes over the caller's reference of `item`.
  void adopt(Item* item) {
    NewRef<Item> held(item);
    items_.push_back(item);
    held.detach();
  }

  VosysResult next(uint32_t count, Item** items, uint32_t* fetched) override {
    return vosysGuardedCall([&] {
      if (fetched != nullptr) *fetched = 0;
      if (const VosysResult injected = this->enterCall(Operation::kNext)) return injected;
      if (items == nullptr || (fetched == nullptr && count != 1)) return kVosysErrPointer;
      std::lock_guard<std::mutex> lock(mutex_);
      uint32_t delivered = 0;
      while (delivered < count && position_ < items_.size()) {
        Item* item = items_[position_++];
        item->addRef();
        items[delivered++] = item;
      }
      if (fetched != nullptr) *fetched = delivered;
      return delivered == count ? kVosysOk : kVosysFalse;
    });
  }

 private:
  ~Enumerator() override {
    for (Item* item : items_) item->release();
  }

  std::mutex mutex_;
  std::vector<Item*> items_;
  size_t position_ = 0;
};

using HardwareEnumerator = Enumerator<ImxSysEnumUnknown, ImxSysUnknown>;
using ExpertEnumerator = Enumerator<ImxSysEnumExpertInfo, ImxSysExpertInfo>;

bool isLocalTarget(const char32_t* target) {
  static const std::u32string kPrefix = U"//localhost/";
  return target != nullptr && std::u32string(target).compare(0, kPrefix.size(), kPrefix) == 0;
}

class Framework final : public Object<ImxSysFramework> {
 public:
  explicit Framework(InventoryRef inventory) : Object(std::move(inventory)) {}

  VosysResult findHardware(const char32_t* target, int32_t mode, ImxSysPropertyBag* filter,
                           ImxSysEnumUnknown** found) override {
    return vosysGuardedCall([&] {
      if (found != nullptr) *found = nullptr;
      if (const VosysResult injected = enterCall(Operation::kFindHardware)) return injected;
      if (found == nullptr || filter == nullptr) return kVosysErrPointer;
      if (!isLocalTarget(target) || mode != kVosysSearchByResourceName) return kVosysErrInvalidArg;
      std::u32string wanted;
      bool any = false;
      if (const VosysResult result = filterName(filter, wanted, any); result < 0) return result;
      NewRef<HardwareEnumerator> results(new HardwareEnumerator(inventory_));
      for (const Device& device : inventory_->devices) {
        if (!any && device.name != wanted) continue;
        if (device.refusesBag) {
          results->adopt(new OpaqueItem(inventory_));
        } else {
          results->adopt(new PropertyBag(inventory_, device.properties, device.results));
        }
      }
      *found = results.detach();
      return kVosysOk;
    });
  }

  VosysResult listExperts(const char32_t* target, ImxSysEnumExpertInfo** experts) override {
    return vosysGuardedCall([&] {
      if (experts != nullptr) *experts = nullptr;
      if (const VosysResult injected = enterCall(Operation::kListExperts)) return injected;
      if (experts == nullptr) return kVosysErrPointer;
      if (!isLocalTarget(target)) return kVosysErrInvalidArg;
      NewRef<ExpertEnumerator> results(new ExpertEnumerator(inventory_));
      for (const std::u32string& name : inventory_->experts) {
        results->adopt(new ExpertItem(inventory_, name));
      }
      *experts = results.detach();
      return kVosysOk;
    });
  }

  VosysResult createPropertyBag(ImxSysUnknown** bag) override {
    return vosysGuardedCall([&] {
      if (bag != nullptr) *bag = nullptr;
      if (const VosysResult injected = enterCall(Operation::kCreatePropertyBag)) return injected;
      if (bag == nullptr) return kVosysErrPointer;
      *bag = new PropertyBag(inventory_, {}, {});
      return kVosysOk;
    });
  }

 private:
  ~Framework() override = default;

  // The resource name the filter asks for; `any` when it names none.
  static VosysResult filterName(ImxSysPropertyBag* filter, std::u32string& name, bool& any) {
    if (const PropertyBag* own = dynamic_cast<const PropertyBag*>(filter)) {
      any = !own->resourceName(name);
      return kVosysOk;
    }
    char32_t* text = nullptr;
    const VosysResult result = filter->getString(kVosysTagResourceName, &text);
    if (result == kVosysOk) name.assign(text != nullptr ? text : U"", vosysStringLength(text));
    vosysFreeString(text);
    if (result == kVosysErrPropertyNotFound || result > 0) {
      any = true;
      return kVosysOk;
    }
    return result;
  }
};

}  // namespace
}  // namespace vosysstandin

using namespace vosysstandin;

extern "C" {

VOSYS_EXPORT VosysResult vosysInstantiateFramework3(int32_t version, int32_t release,
                                                    int32_t flavour, const char32_t* expertList,
                                                    ImxSysFramework** framework) {
  return vosysGuardedCall([&] {
    if (framework != nullptr) *framework = nullptr;
    if (const VosysResult injected = enter(Operation::kInstantiate, nullptr)) return injected;
    if (framework == nullptr || expertList == nullptr) return kVosysErrPointer;
    if (version != 1) return kVosysErrInvalidArg;
    auto inventory = std::make_shared<Inventory>();
    std::string error;
    if (!loadInventory(configurationPath(), *inventory, error)) {
      std::fprintf(stderr, "vosysapi stand-in: %s\n", error.c_str());
      return kVosysErrFail;
    }
    const auto configured = inventory->failures.find(Operation::kInstantiate);
    if (configured != inventory->failures.end()) return configured->second;
    *framework = new Framework(std::move(inventory));
    return kVosysOk;
  });
}

VOSYS_EXPORT int32_t VosysStandin_failNext(const char* operation, int32_t code) {
  Operation which;
  if (operation == nullptr || !operationByName(operation, which)) return kVosysErrInvalidArg;
  return vosysGuardedCall([&] {
    std::lock_guard<std::mutex> lock(gControl.mutex);
    gControl.pending[static_cast<size_t>(which)].push_back(code);
    return kVosysOk;
  });
}

VOSYS_EXPORT uint64_t VosysStandin_callCount(const char* operation) {
  Operation which;
  if (operation == nullptr || !operationByName(operation, which)) return 0;
  std::lock_guard<std::mutex> lock(gControl.mutex);
  return gControl.calls[static_cast<size_t>(which)];
}

VOSYS_EXPORT int64_t VosysStandin_liveObjects(void) {
  return gLiveObjects.load(std::memory_order_relaxed);
}

VOSYS_EXPORT void VosysStandin_reset(void) {
  std::lock_guard<std::mutex> lock(gControl.mutex);
  gControl.calls.fill(0);
  for (auto& queue : gControl.pending) queue.clear();
}
}
