// The default translator: the errors directory below the shared directory,
// the language's subdirectory first, English when that finds nothing.
#include "translator/DefaultTranslator.h"

#include <cstring>

#include "directories/StandardDirectories.h"
#include "errorfiles/ErrorFiles.h"
#include "errorfiles/Languages.h"
#include "status/Raise.h"
#include "status/ReportObject.h"

namespace voxlator {

namespace {

void destroyNothing(Xlator*) {}

char* staticDescription(Xlator*, int32_t code, uint32_t languageCode, XlatorAllocFn alloc,
                        void* allocData, voerr::Status* status) {
  if (!status || status->isError()) return nullptr;
  vohtl::BasicString errorsDirectory;
  vosysq::sharedDirectory(errorsDirectory, *status);
  if (!errorsDirectory.append("/errors", *status)) return nullptr;

  uint32_t language = languageOf(languageCode);
  vohtl::BasicString description;
  for (;;) {
    voerr::Status lookup;
    searchErrorsDirectory(errorsDirectory.c_str(), code, language, description, lookup);
    if (lookup.isError() || description.empty()) {
      if (language != 0) {
        language = 0;  // English answers for a language without the description
        continue;
      }
      if (lookup.isError()) {
        status->mergeMove(lookup);
      } else if (status->raise(voerr::codes::kResourceNotFound.code,
                               TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
        voerr::ReportObject(*status, "voxlator_debug")
            .add("voxlator_defaultTranslator", "couldn't find description for code")
            .add("code", code)
            .add("lang", static_cast<int32_t>(language))
            .add("ade", static_cast<int32_t>(adeOf(languageCode)));
      }
      return nullptr;
    }
    break;
  }
  char* text = static_cast<char*>(alloc(nullptr, description.length() + 1, allocData, status));
  if (text) std::memcpy(text, description.c_str(), description.length() + 1);
  return text;
}

Xlator instance{sizeof(Xlator), &destroyNothing, &staticDescription, nullptr};

}  // namespace

Xlator* defaultTranslator() { return &instance; }

}  // namespace voxlator
