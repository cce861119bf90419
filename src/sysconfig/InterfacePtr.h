// One counted reference to an interface of the system configuration service
// (or to an object of ours that implements one).
#pragma once

#include <type_traits>
#include <utility>

#include "vosysapi.h"

namespace sysapicpp {

template <class T>
class InterfacePtr {
 public:
  InterfacePtr() = default;
  InterfacePtr(const InterfacePtr& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->addRef();
  }
  InterfacePtr(InterfacePtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible<U*, T*>::value>>
  InterfacePtr(InterfacePtr<U> other) noexcept : pointer_(other.detach()) {}  // NOLINT
  // By value: copy and move assignment in one, safe against self-assignment.
  InterfacePtr& operator=(InterfacePtr other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~InterfacePtr() { reset(); }

  // Takes over a reference the caller already owns (an out parameter's).
  static InterfacePtr adopt(T* pointer) {
    InterfacePtr held;
    held.pointer_ = pointer;
    return held;
  }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  void reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->release();
  }
  // For an out parameter: drops the current reference first.
  T** out() {
    reset();
    return &pointer_;
  }
  T* detach() { return std::exchange(pointer_, nullptr); }

  // The object's interface U, or an empty pointer when it does not provide
  // one.
  template <class U>
  InterfacePtr<U> query() const {
    void* raw = nullptr;
    if (pointer_ == nullptr || pointer_->queryInterface(U::kIid, &raw) < 0) return {};
    return InterfacePtr<U>::adopt(static_cast<U*>(raw));
  }

 private:
  T* pointer_ = nullptr;
};

}  // namespace sysapicpp
