// Failures of entries, recorded with the IVI engine.
#include "Call.h"

#include <new>

#include "Session.h"

namespace sim {

void raise(ViStatus code, std::string text) { throw Failure{code, 0, std::move(text)}; }

void raise(ViStatus code, const Param& param, std::string text) {
  throw Failure{code, param.position, std::move(text)};
}

ViStatus record(ViSession vi, const char* function, ViStatus code, ViInt32 position,
                const std::string& text) noexcept {
  try {
    const ViStatus secondary = position > 0 ? Ivi_ParamPositionError(position) : 0;
    const std::string elaboration = std::string(function) + ": " + text;
    Ivi_SetErrorInfo(vi, VI_FALSE, code, secondary, elaboration.c_str());
  } catch (...) {
    // Without memory for the text the code still goes back.
  }
  return code;
}

ViStatus Call::warn(ViStatus code, const std::string& text) const { return record(vi_, function_, code, 0, text); }

ViStatus failedWith(ViSession vi, const char* function) {
  try {
    throw;
  } catch (const Failure& failure) {
    return record(vi, function, failure.code, failure.position, failure.text);
  } catch (const std::bad_alloc&) {
    return record(vi, function, IVI_ERROR_OUT_OF_MEMORY, 0, "out of memory");
  } catch (...) {
    return record(vi, function, IVI_ERROR_CANNOT_RECOVER, 0, "unexpected failure");
  }
}

namespace {

void recordInvalidSession(ViSession vi, const char* function, const char* problem) noexcept {
  try {
    record(vi, function, IVI_ERROR_INVALID_SESSION_HANDLE, 1, "vi = " + std::to_string(vi) + problem);
  } catch (...) {
    record(vi, function, IVI_ERROR_INVALID_SESSION_HANDLE, 1, std::string());
  }
}

}  // namespace

std::shared_ptr<Session> findSession(ViSession vi, const char* function) noexcept {
  try {
    if (std::shared_ptr<Session> session = SessionTable::instance().find(vi)) return session;
  } catch (...) {
  }
  recordInvalidSession(vi, function, " is not a session of this simulator");
  return nullptr;
}

bool stillOpen(const Call& call) noexcept {
  if (!call.session().closed) return true;
  recordInvalidSession(call.vi(), call.function(), " was closed");
  return false;
}

}  // namespace sim
