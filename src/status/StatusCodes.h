// The status codes the library raises itself (generated from
// tables/status_codes.table), the component and the translator its reports
// name.
#pragma once

#include "status/StatusCodeTable.h"

namespace voerr {

// The component every raise site of this library names.
constexpr const char* kComponent = "tovik";
// The translator that renders the library's user-facing reports.
constexpr const char* kTranslatorName = "mxlator_tovik";

}  // namespace voerr
