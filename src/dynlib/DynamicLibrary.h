// Loading libraries and finding symbols with status reporting.
//
// Each operation does nothing when `status` already holds an error. A failure
// records -52005 with a "vodynlib_debug" object (what failed) and an
// "internal_error" object (the loader's dlerror() text); the objects are
// added only when the status took the code, so an earlier report survives.
#pragma once

#include "status/Status.h"

// dlopen(path, flags); null on failure. A null path is refused rather than
// handing back the main program.
void* vodynlib_load(const char* path, int flags, voerr::Status& status);

// dlsym(library, name); null on failure (also for a null name).
void* vodynlib_getSymbol(void* library, const char* name, voerr::Status& status);

// dlclose; the result is ignored.
void vodynlib_unload(void* library);
