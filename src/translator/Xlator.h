// The C-level translator record and the allocation callback of its results.
#pragma once

#include <cstddef>
#include <cstdint>

#include "status/Status.h"

extern "C" {

// realloc semantics: a translator allocates its result with a null pointer
// and the length plus one; the caller releases it with size 0.
typedef void* (*XlatorAllocFn)(void* pointer, size_t size, void* allocData,
                               voerr::Status* status);

// Looked up by name in a translation session. Either description operation
// may be null (not supported); each returns a zero-terminated UTF-8 text
// allocated with `alloc`, or null with the error in `status`.
struct Xlator {
  uint64_t size;  // sizeof(Xlator): 32
  void (*destroy)(Xlator* translator);
  char* (*getStaticDesc)(Xlator* translator, int32_t code, uint32_t language, XlatorAllocFn alloc,
                         void* allocData, voerr::Status* status);
  char* (*getDynamicDesc)(Xlator* translator, const char* reportJson, uint32_t language,
                          const char* format, XlatorAllocFn alloc, void* allocData,
                          voerr::Status* status);
};

}  // extern "C"

static_assert(sizeof(Xlator) == 32, "the translator record is four 8-byte members");

namespace voxlator {

// The manager's allocation callback: size 0 frees; without a status a plain
// realloc; a status already holding an error gets null; a failed realloc
// records voapalerr_memoryFull with {"debug": "realloc failed"}.
void* allocate(void* pointer, size_t size, void* allocData, voerr::Status* status);

// The name of the built-in default translator, and of the one the library's
// reports name.
constexpr const char* kDefaultTranslatorName = "voxlator_default";

}  // namespace voxlator
