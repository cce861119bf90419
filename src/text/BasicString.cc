// The growable text: growth rule, memory failures reported into a status.
#include "text/BasicString.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "status/Raise.h"

namespace vohtl {

namespace {

constexpr size_t kSmallestCapacity = 127;
// Texts of this layer (paths, descriptions, reports) stay far below this;
// a larger request is treated as the allocation failure it would be.
constexpr size_t kLongestText = 0x7FFFFFFF;

bool outOfMemory(voerr::Status& status) {
  TOVIK_RAISE_PLAIN(voerr::codes::kMemoryFull).into(status);
  return false;
}

}  // namespace

BasicString::~BasicString() { std::free(data_); }

BasicString::BasicString(BasicString&& other) noexcept
    : data_(other.data_), capacity_(other.capacity_), length_(other.length_) {
  other.data_ = nullptr;
  other.capacity_ = other.length_ = 0;
}

BasicString& BasicString::operator=(BasicString&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = other.data_;
    capacity_ = other.capacity_;
    length_ = other.length_;
    other.data_ = nullptr;
    other.capacity_ = other.length_ = 0;
  }
  return *this;
}

bool BasicString::reserve(size_t length, voerr::Status& status) {
  if (status.isError()) return false;
  if (data_ && length <= capacity_) return true;
  if (length > kLongestText) return outOfMemory(status);
  const size_t grown = capacity_ + capacity_ / 2;
  const size_t capacity = std::max({length, kSmallestCapacity, grown});
  char* memory = static_cast<char*>(std::realloc(data_, capacity + 1));
  if (!memory) return outOfMemory(status);
  if (!data_) memory[0] = '\0';
  data_ = memory;
  capacity_ = capacity;
  return true;
}

bool BasicString::assign(const char* text, size_t count, voerr::Status& status) {
  if (status.isError()) return false;
  if (data_ && text >= data_ && text < data_ + capacity_ + 1) {
    // A piece of this text: move it to the front.
    std::memmove(data_, text, count);
    length_ = count;
    data_[length_] = '\0';
    return true;
  }
  if (!reserve(count, status)) return false;
  if (count) std::memcpy(data_, text, count);
  length_ = count;
  data_[length_] = '\0';
  return true;
}

bool BasicString::assign(const char* text, voerr::Status& status) {
  return assign(text ? text : "", text ? std::strlen(text) : 0, status);
}

bool BasicString::append(const char* text, size_t count, voerr::Status& status) {
  if (status.isError()) return false;
  if (count == 0) return reserve(length_, status);
  if (data_ && text >= data_ && text < data_ + capacity_ + 1) {
    const size_t offset = static_cast<size_t>(text - data_);
    if (!reserve(length_ + count, status)) return false;
    std::memmove(data_ + length_, data_ + offset, count);
  } else {
    if (!reserve(length_ + count, status)) return false;
    std::memcpy(data_ + length_, text, count);
  }
  length_ += count;
  data_[length_] = '\0';
  return true;
}

bool BasicString::append(const char* text, voerr::Status& status) {
  return append(text ? text : "", text ? std::strlen(text) : 0, status);
}

bool BasicString::resize(size_t length, voerr::Status& status) {
  if (!reserve(length, status)) return false;
  if (length > length_) std::memset(data_ + length_, 0, length - length_);
  length_ = length;
  data_[length_] = '\0';
  return true;
}

void BasicString::erase(size_t position, size_t count, voerr::Status& status) {
  if (status.isError() || position >= length_) return;
  count = std::min(count, length_ - position);
  std::memmove(data_ + position, data_ + position + count, length_ - position - count);
  length_ -= count;
  data_[length_] = '\0';
}

void BasicString::clear() noexcept {
  length_ = 0;
  if (data_) data_[0] = '\0';
}

void BasicString::trimEnd(std::string_view characters) noexcept {
  while (length_ && characters.find(data_[length_ - 1]) != std::string_view::npos) --length_;
  if (data_) data_[length_] = '\0';
}

void BasicString::trimStart(std::string_view characters) noexcept {
  size_t start = 0;
  while (start < length_ && characters.find(data_[start]) != std::string_view::npos) ++start;
  if (start == 0) return;
  std::memmove(data_, data_ + start, length_ - start);
  length_ -= start;
  data_[length_] = '\0';
}

}  // namespace vohtl
