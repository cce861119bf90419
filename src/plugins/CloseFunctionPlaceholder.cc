// Stands in for tovik_close where the exports are not linked in (the plugin
// tests): a weak definition, so the library's own export overrides it. Its
// visibility matches the export's, as the linker gives a symbol the most
// restrictive visibility of all its definitions.
#include "plugins/CloseFunction.h"

#include "status/StatusCodes.h"

extern "C" __attribute__((weak, visibility("default"))) ViStatus tovik_close(ViSession) {
  return voerr::codes::kFunctionNotSupported.code;
}
