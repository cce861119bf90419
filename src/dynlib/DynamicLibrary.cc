#include "dynlib/DynamicLibrary.h"

#include <dlfcn.h>

#include "reportjson/ReportJson.h"
#include "status/StatusCodes.h"

namespace {

namespace json = voxlator::json;

// The report locations are fixed: readers of the report know the loader by
// them, whatever this file is called.
const voerr::RaiseSite kLoadSite{"dynload", 65, voerr::kComponent,
                                 voerr::codes::kInvalidParameter.text};
const voerr::RaiseSite kSymbolSite{"dynload", 140, voerr::kComponent,
                                   voerr::codes::kInvalidParameter.text};

// Records a loader failure; `detailName`: `detail` names what was asked for.
void recordFailure(voerr::Status& status, const voerr::RaiseSite& site, const char* debugText,
                   const char* detailName, const char* detail) {
  const char* loaderText = dlerror();
  if (status.raise(voerr::codes::kInvalidParameter.code, site)) {
    const json::WriterContext context = status.writerContext();
    char* object = json::writeObject(context, status.reserveReport(0), "vodynlib_debug");
    object = json::writeString(context, object, "debug", debugText);
    object = json::writeString(context, object, detailName, detail ? detail : "");
    object = json::writeObject(context, object ? json::leave(object) : nullptr,
                               "internal_error");
    object = json::writeString(context, object, "api", "dlerror");
    json::writeString(context, object, "string", loaderText ? loaderText : "");
  }
  dlerror();  // leave no loader error behind for the next caller
}

}  // namespace

void* vodynlib_load(const char* path, int flags, voerr::Status& status) {
  if (status.isError()) {
    return nullptr;
  }
  dlerror();
  void* library = path ? dlopen(path, flags) : nullptr;
  if (!library) {
    recordFailure(status, kLoadSite, "failed to vodynlib_load library", "path", path);
  }
  return library;
}

void* vodynlib_getSymbol(void* library, const char* name, voerr::Status& status) {
  if (status.isError()) {
    return nullptr;
  }
  dlerror();
  void* symbol = name ? dlsym(library, name) : nullptr;
  if (!symbol) {
    recordFailure(status, kSymbolSite, "failed to get symbol", "vodynlib_symbol", name);
  }
  return symbol;
}

void vodynlib_unload(void* library) {
  if (library) {
    dlclose(library);
  }
}
