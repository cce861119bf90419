#include "ivi/MbsToUtf8.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "status/StatusCodes.h"

namespace miivi {

namespace {

size_t encodedWidth(uint32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

char* encode(uint32_t c, char* out) {
  auto byte = [](uint32_t value) { return static_cast<char>(static_cast<unsigned char>(value)); };
  switch (encodedWidth(c)) {
    case 1:
      *out++ = byte(c);
      break;
    case 2:
      *out++ = byte(0xC0 | (c >> 6));
      *out++ = byte(0x80 | (c & 0x3F));
      break;
    case 3:
      *out++ = byte(0xE0 | (c >> 12));
      *out++ = byte(0x80 | ((c >> 6) & 0x3F));
      *out++ = byte(0x80 | (c & 0x3F));
      break;
    default:
      *out++ = byte(0xF0 | ((c >> 18) & 0x07));
      *out++ = byte(0x80 | ((c >> 12) & 0x3F));
      *out++ = byte(0x80 | ((c >> 6) & 0x3F));
      *out++ = byte(0x80 | (c & 0x3F));
      break;
  }
  return out;
}

}  // namespace

ViStatus mbsToUtf8(const char* text, bool asciiOnly, std::string& output) {
  if (text == nullptr || *text == '\0') return VI_SUCCESS;
  const size_t length = std::strlen(text);
  bool ascii = true;
  for (size_t i = 0; i < length && ascii; ++i) ascii = static_cast<unsigned char>(text[i]) < 0x80;
  try {
    if (ascii) {
      output.assign(text, length);
      return VI_SUCCESS;
    }
    if (asciiOnly) return voerr::codes::kUnsupported.code;

    // A conversion state of our own keeps this safe from other threads.
    std::mbstate_t state{};
    const char* source = text;
    const size_t count = std::mbsrtowcs(nullptr, &source, 0, &state);
    if (count == static_cast<size_t>(-1)) return voerr::codes::kMultibyteConversion.code;
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[count + 1]);
    if (!wide) return voerr::codes::kMemoryFull.code;
    state = std::mbstate_t{};
    source = text;
    std::mbsrtowcs(wide.get(), &source, count + 1, &state);

    size_t encoded = 0;
    for (size_t i = 0; i < count; ++i) encoded += encodedWidth(static_cast<uint32_t>(wide[i]));
    output.assign(encoded, '\0');
    char* out = &output[0];
    for (size_t i = 0; i < count; ++i) out = encode(static_cast<uint32_t>(wide[i]), out);
    return VI_SUCCESS;
  } catch (const std::bad_alloc&) {
    return voerr::codes::kMemoryFull.code;
  }
}

}  // namespace miivi
