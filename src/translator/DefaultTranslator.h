// The built-in translator "voxlator_default": static descriptions from the
// error files of the shared directory, in English when the language has none.
#pragma once

#include "translator/Xlator.h"

namespace voxlator {

// The single static instance; its destroy does nothing.
Xlator* defaultTranslator();

}  // namespace voxlator
