// The language table shared by the error files and the translators.
#include "errorfiles/Languages.h"

#include <strings.h>

#include <cstring>

namespace voxlator {

const LanguageNames kLanguages[6] = {
    {"English", "eng", "en"}, {"French", "fra", "fr"},   {"German", "deu", "de"},
    {"Japanese", "jpn", "jp"}, {"Korean", "kor", "ko"}, {"ChineseS", "chs", "ch"},
};

uint32_t languageByName(std::string_view name, LanguageForm form) {
  for (uint32_t language = 0; language < 6; ++language) {
    const LanguageNames& row = kLanguages[language];
    const char* candidate = form == LanguageForm::kDirectory     ? row.directory
                            : form == LanguageForm::kThreeLetter ? row.threeLetter
                                                                 : row.twoLetter;
    if (name.size() == std::strlen(candidate) &&
        strncasecmp(name.data(), candidate, name.size()) == 0) {
      return language;
    }
  }
  return kUnrecognisedLanguage;
}

const char* languageDirectory(uint32_t language) {
  return language < 6 ? kLanguages[language].directory : nullptr;
}

}  // namespace voxlator
