#include "sysconfig/WideText.h"

#include <cstdint>

namespace sysapicpp {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
  return byte >= low && byte <= high;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c >= 0xD800 && (c <= 0xDFFF || c > 0x10FFFF)) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

std::u32string toWide(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    // Sequence length and the range allowed for the second byte, which is
    // what excludes overlong forms, surrogates and values past U+10FFFF.
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    char32_t value = lead & (0xFF >> (length + 1));
    size_t taken = 1;
    for (; taken < length && i + taken < utf8.size(); ++taken) {
      const unsigned char next = static_cast<unsigned char>(utf8[i + taken]);
      if (!(taken == 1 ? isContinuation(next, low, high) : isContinuation(next))) break;
      value = (value << 6) | (next & 0x3F);
    }
    out.push_back(taken == length ? value : kReplacement);
    i += taken;
  }
  return out;
}

std::string toUtf8(std::u32string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (char32_t c : wide) appendUtf8(out, c);
  return out;
}

std::string ReturnedString::toUtf8() const {
  if (text_ == nullptr) return {};
  return sysapicpp::toUtf8(std::u32string_view(text_, vosysStringLength(text_)));
}

}  // namespace sysapicpp
