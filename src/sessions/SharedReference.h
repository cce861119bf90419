// Reference-counted shared reference with a malloc'ed control block.
//
// Lookups copy references on every API call, so the counts are atomic and a
// copy never allocates; only adopting a new object allocates its block.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#include "platform/Noncopyable.h"
#include "status/PlatformStatus.h"
#include "status/StatusCodes.h"

namespace vohtl {
namespace internal {

class SharedPtrStorageBase : private vo::no_adl::noncopyable {
 public:
  virtual void dispose() = 0;  // delete the object
  virtual void destroy() = 0;  // end the block itself
  virtual ~SharedPtrStorageBase() = default;

  void acquire() { strong_.fetch_add(1, std::memory_order_relaxed); }

  void release() {
    if (strong_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    dispose();
    // The last weak holder is the strong side itself: skip the atomic then.
    if (weak_.load(std::memory_order_acquire) == 1 ||
        weak_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      destroy();
    }
  }

  int32_t strongCount() const { return strong_.load(std::memory_order_relaxed); }

 private:
  std::atomic<int32_t> strong_{1};
  std::atomic<int32_t> weak_{1};
};

template <typename T>
class SharedPtrStorageIndirect final : public SharedPtrStorageBase {
 public:
  explicit SharedPtrStorageIndirect(T* object) : object_(object) {}
  void dispose() override {
    delete object_;
    object_ = nullptr;
  }
  void destroy() override {
    this->~SharedPtrStorageIndirect();
    std::free(this);
  }
  T* object() const { return object_; }

 private:
  T* object_;
};

}  // namespace internal

template <typename T>
class SharedPtr {
 public:
  SharedPtr() = default;
  SharedPtr(const SharedPtr& other) : storage_(other.storage_) {
    if (storage_) storage_->acquire();
  }
  SharedPtr(SharedPtr&& other) noexcept : storage_(std::exchange(other.storage_, nullptr)) {}
  SharedPtr& operator=(SharedPtr other) noexcept {
    std::swap(storage_, other.storage_);
    return *this;
  }
  ~SharedPtr() { reset(); }

  // Takes ownership of `object`. When the control block cannot be
  // allocated the object is deleted and -52000 recorded; the result is empty.
  static SharedPtr adopt(T* object, voerr::PlatformStatus& status) {
    SharedPtr result;
    void* memory = std::malloc(sizeof(internal::SharedPtrStorageIndirect<T>));
    if (!memory) {
      delete object;
      status.setPlatformCode(voerr::codes::kMemoryFull.code, voerr::kComponent, "memory", 393);
      return result;
    }
    result.storage_ = new (memory) internal::SharedPtrStorageIndirect<T>(object);
    return result;
  }

  void reset() {
    if (storage_) std::exchange(storage_, nullptr)->release();
  }
  T* get() const { return storage_ ? storage_->object() : nullptr; }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }
  explicit operator bool() const { return get() != nullptr; }
  int32_t useCount() const { return storage_ ? storage_->strongCount() : 0; }

 private:
  internal::SharedPtrStorageIndirect<T>* storage_ = nullptr;
};

}  // namespace vohtl
