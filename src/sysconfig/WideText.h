// UTF-8 <-> UTF-32 conversion for the text that crosses the service's
// interfaces, and ownership of the strings it returns.
#pragma once

#include <string>
#include <string_view>

#include "vosysapi.h"

namespace sysapicpp {

// Each maximal ill-formed subsequence becomes one U+FFFD.
std::u32string toWide(std::string_view utf8);
// Surrogates and values above U+10FFFF become U+FFFD.
std::string toUtf8(std::u32string_view wide);

// A length-prefixed string returned by the service, freed when this goes.
class ReturnedString {
 public:
  ReturnedString() = default;
  ReturnedString(const ReturnedString&) = delete;
  ReturnedString& operator=(const ReturnedString&) = delete;
  ~ReturnedString() { vosysFreeString(text_); }

  // For the out parameter of a call; frees what was held before.
  char32_t** out() {
    vosysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  // The text as UTF-8; "" for a null string.
  std::string toUtf8() const;

 private:
  char32_t* text_ = nullptr;
};

}  // namespace sysapicpp
