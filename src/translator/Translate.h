// The driver-side entry points of the localization layer: unmapping error
// codes and the retrying translation of a status into formatted text.
#pragma once

#include <cstdint>

#include "status/Status.h"
#include "text/BasicString.h"

struct lua_State;

namespace vomxl {

// The unmapped value of a code: the identity.
constexpr int32_t unmapErrorCode(int32_t code) { return code; }
inline void unmapErrorCodeInPlace(int32_t& code) { code = unmapErrorCode(code); }

// The same for the translator scripts, as their global
// vomxl_unmapErrorCode(code): one integer argument, returned unmapped.
int unmapErrorCodeForScripts(lua_State* L);

// Renders `report` in `language` with the flags 1 static description,
// 2 dynamic description, 4 debug section, 8 nested errors (other bits are
// ignored). A failed attempt is retried without nesting, then with the
// static description alone, then for the bare code, which the default
// translator answers. On success the text replaces `output`; on a final
// failure `output` keeps its content, followed by two line feeds when it had
// any, and the report's JSON text, with the failure in `status`. Nothing is
// done for code 0 or when `status` already holds an error.
void translateStatusToFormattedText(const voerr::Status& report, uint32_t language,
                                    uint32_t flags, vohtl::BasicString& output,
                                    voerr::Status& status);

}  // namespace vomxl
