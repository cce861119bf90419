// No script interpreter is linked into the library yet: creating the script
// translator fails cleanly, and the formatted-text retries fall back to the
// default translator.
#include "translator/ScriptTranslator.h"

#include "status/Raise.h"
#include "status/ReportObject.h"

namespace voxlator {

Xlator* createScriptTranslator(const char* name, const char* /*registrationInfo*/,
                               voerr::Status& status) {
  if (status.raise(voerr::codes::kResourceNotFound.code,
                   TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
    voerr::ReportObject(status, "voxlator_debug")
        .add("debug", "script translator not available")
        .add("name", name);
  }
  return nullptr;
}

}  // namespace voxlator
