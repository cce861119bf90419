// Growable, zero-terminated byte string whose operations report into a status.
#pragma once

#include <cstddef>
#include <string_view>

#include "status/Status.h"

namespace vohtl {

// The lower layers never throw: every growing operation takes the caller's
// voerr::Status, does nothing when it already holds an error, and on a
// failed allocation records voapalerr_memoryFull and leaves the text as it
// was. Embedded zero bytes are kept (the length is stored).
class BasicString {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  BasicString() noexcept = default;
  ~BasicString();
  BasicString(BasicString&& other) noexcept;
  BasicString& operator=(BasicString&& other) noexcept;
  BasicString(const BasicString&) = delete;
  BasicString& operator=(const BasicString&) = delete;

  const char* c_str() const noexcept { return data_ ? data_ : ""; }
  char* data() noexcept { return data_; }
  size_t length() const noexcept { return length_; }
  size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return length_ == 0; }
  std::string_view view() const noexcept { return {c_str(), length_}; }
  char back() const noexcept { return length_ ? data_[length_ - 1] : '\0'; }

  // Room for `length` bytes plus the terminator. Growing reserves
  // max(length, 127, 1.5 x the old capacity) bytes. More than 2 GiB is
  // refused as out of memory.
  bool reserve(size_t length, voerr::Status& status);
  bool assign(const char* text, size_t count, voerr::Status& status);
  bool assign(const char* text, voerr::Status& status);
  bool assign(std::string_view text, voerr::Status& status) {
    return assign(text.data(), text.size(), status);
  }
  bool append(const char* text, size_t count, voerr::Status& status);
  bool append(const char* text, voerr::Status& status);
  bool append(std::string_view text, voerr::Status& status) {
    return append(text.data(), text.size(), status);
  }
  bool append(char c, voerr::Status& status) { return append(&c, 1, status); }
  // Grows or shrinks to `length`; new bytes are zero.
  bool resize(size_t length, voerr::Status& status);
  // Removes `count` bytes from `position` (to the end for npos).
  void erase(size_t position, size_t count, voerr::Status& status);
  void clear() noexcept;
  // Removes the given characters from the end / the start.
  void trimEnd(std::string_view characters) noexcept;
  void trimStart(std::string_view characters) noexcept;

 private:
  char* data_ = nullptr;
  size_t capacity_ = 0;  // bytes usable for text, not counting the terminator
  size_t length_ = 0;
};

}  // namespace vohtl
