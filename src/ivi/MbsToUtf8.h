// Conversion of text in the current C locale's multibyte encoding to UTF-8.
#pragma once

#include <string>

#include "tovik/tovik_vitypes.h"

namespace miivi {

// Null or empty text: 0, `output` untouched. 7-bit text is copied as is.
// Otherwise: -52002 when `asciiOnly`, -52027 when the locale rejects the
// text, -52000 without memory; 0 with `output` set to the UTF-8 text.
ViStatus mbsToUtf8(const char* text, bool asciiOnly, std::string& output);

}  // namespace miivi
