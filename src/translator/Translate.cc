// The formatted-text translation and its retry policy.
#include "translator/Translate.h"

#include <lua.hpp>

#include <limits>

#include "status/Raise.h"
#include "translator/Json1Formatter.h"
#include "translator/Session.h"

namespace vomxl {

namespace {

constexpr uint32_t kStatic = 1;
constexpr uint32_t kNested = 8;

void clear(voerr::Status& status, vohtl::BasicString& text) {
  status.code = 0;
  if (status.report) status.reallocate(status, 0);
  text.clear();
}

}  // namespace

int unmapErrorCodeForScripts(lua_State* L) {
  const lua_Integer code = luaL_checkinteger(L, 1);
  // Only status codes are unmapped; any other integer comes back as it is.
  if (code >= std::numeric_limits<int32_t>::min() && code <= std::numeric_limits<int32_t>::max()) {
    lua_pushinteger(L, unmapErrorCode(static_cast<int32_t>(code)));
  } else {
    lua_pushinteger(L, code);
  }
  return 1;
}

void translateStatusToFormattedText(const voerr::Status& report, uint32_t language,
                                    uint32_t flags, vohtl::BasicString& output,
                                    voerr::Status& status) {
  if (report.code == 0 || status.isError()) return;
  vohtl::BasicString working;
  {
    voxlator::ScopedSession session(status);
    auto attempt = [&](const voerr::Status& subject, uint32_t attemptFlags) {
      if (session.get()) {
        voxlator::json1::translateErrStatusToRawText(*session.get(), subject, language,
                                                     attemptFlags, working, status);
      }
    };
    attempt(report, flags);
    // Without a session (no memory for it) there is nothing to retry with.
    const bool retry = session.get() != nullptr;
    if (retry && status.isError() && (flags & kNested)) {
      clear(status, working);
      attempt(report, flags & ~kNested);
    }
    if (retry && status.isError() && (flags & kStatic)) {
      clear(status, working);
      attempt(report, kStatic);
      if (status.isError()) {
        // The bare code: no translator named, so the default one answers.
        clear(status, working);
        voerr::Status bare;
        bare.raise(report.code, TOVIK_SITE("statusin.code"));
        attempt(bare, kStatic);
      }
    }
  }
  if (!status.isError()) {
    output = std::move(working);
    return;
  }
  // The report's own JSON is what is left to show; written even though
  // `status` holds the failure.
  voerr::Status append;
  if (!output.empty()) output.append("\n\n", append);
  output.append(report.reportText(), append);
}

}  // namespace vomxl
