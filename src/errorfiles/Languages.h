// The language codes of the translators and their names.
#pragma once

#include <cstdint>
#include <string_view>

namespace voxlator {

// Bits 0-7 of a language code hold the language, bits 8-11 the
// development-environment code ("ade").
constexpr uint32_t languageOf(uint32_t languageCode) { return languageCode & 0xFFu; }
constexpr uint32_t adeOf(uint32_t languageCode) { return (languageCode >> 8) & 0xFu; }

struct LanguageNames {
  const char* directory;    // "English"
  const char* threeLetter;  // "eng"
  const char* twoLetter;    // "en"
};

// Indexed by language 0-5.
extern const LanguageNames kLanguages[6];
constexpr uint32_t kUnrecognisedLanguage = 6;

enum class LanguageForm { kDirectory, kThreeLetter, kTwoLetter };

// The first row whose name in `form` equals `name` without regard to ASCII
// case, or 6.
uint32_t languageByName(std::string_view name, LanguageForm form);

// The directory name of a language 0-5, or null.
const char* languageDirectory(uint32_t language);

}  // namespace voxlator
