// The script translator behind "mxlator_tovik".
#pragma once

#include "status/Status.h"
#include "translator/Xlator.h"

namespace voxlator {

// Creates the script translator for `name` from its registration text and
// defines its script function vomxl_unmapErrorCode; null with the reason in
// `status` when either fails (nothing is left behind then).
Xlator* createScriptTranslator(const char* name, const char* registrationInfo,
                               voerr::Status& status);

}  // namespace voxlator
