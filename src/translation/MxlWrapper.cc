// The translator wrapper. No translator is linked into the library yet, so
// every rendering reports that the translator is missing and the callers
// fall back to their fixed texts.
#include "translation/MxlWrapper.h"

#include "status/Raise.h"

namespace miivi {

void MxlWrapper::translate(const voerr::Status& /*report*/, int32_t /*language*/,
                           uint32_t /*flags*/, std::string& /*text*/, voerr::Status& status) const {
  if (status.isError()) return;
  TOVIK_RAISE_PLAIN(voerr::codes::kResourceNotFound).into(status);
}

void MxlWrapper::unmapErrorCode(int32_t& /*code*/) const {}

}  // namespace miivi
