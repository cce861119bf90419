// Engine sessions, their locks, error information, logical names,
// interchange-check strings and status messages.
#include <cstdio>
#include <cstring>
#include <utility>

#include "Engine.h"
#include "LogicalNames.h"
#include "OptionString.h"

using namespace ivistandin;

namespace {

// Runs `body` on session `vi` under the engine mutex; false when `vi`
// is not a session.
template <typename Body>
bool withSession(ViSession vi, Body&& body) {
  Engine& engine = Engine::instance();
  std::lock_guard<std::mutex> guard(engine.mutex);
  Session* session = engine.findLocked(vi);
  if (session == nullptr) return false;
  body(*session);
  return true;
}

std::string statusMessage(ViStatus code) {
  if (code == VI_SUCCESS) return "Success.";
  for (size_t i = 0; i < kStatusMessageCount; ++i)
    if (kStatusMessages[i].code == code) return kStatusMessages[i].message;
  char text[64];
  std::snprintf(text, sizeof text, "Unknown status code 0x%08X.", static_cast<unsigned>(code));
  return text;
}

}  // namespace

extern "C" {

ViStatus Ivi_SpecificDriverNew(ViConstString specificPrefix, ViConstString optionString, ViSession* newVi) {
  IVISTANDIN_ENTRY(0);
  if (newVi == nullptr) return failParameter(0, IVI_ERROR_NULL_POINTER, 3, function, "(newVi) is NULL");
  *newVi = 0;
  if (specificPrefix == nullptr || *specificPrefix == '\0')
    return failParameter(0, IVI_ERROR_INVALID_VALUE, 1, function, "(specificPrefix) is empty");
  return guarded(0, [&] {
    const ParsedOptions options = parseOptionString(optionString);
    if (options.status < 0) return fail(0, options.status, 0, std::string(function) + ": " + options.problem);
    auto session = std::make_shared<Session>();
    addEngineAttributes(*session);
    setEngineAttribute(*session, IVI_ATTR_SPECIFIC_DRIVER_PREFIX, specificPrefix);
    for (const OptionSetting& setting : options.settings)
      setEngineAttribute(*session, setting.attribute->id, setting.value);
    *newVi = Engine::instance().add(std::move(session));
    return VI_SUCCESS;
  });
}

ViStatus Ivi_ValidateSession(ViSession vi) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] { return Engine::instance().find(vi) ? VI_SUCCESS : failSession(vi, function); });
}

ViBoolean Ivi_SessionIsAvailable(ViSession vi) {
  try {
    return Engine::instance().find(vi) ? VI_TRUE : VI_FALSE;
  } catch (...) {
    return VI_FALSE;
  }
}

ViStatus Ivi_Dispose(ViSession vi) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] { return Engine::instance().remove(vi) ? VI_SUCCESS : failSession(vi, function); });
}

// With callerHasLock, the lock is taken only when *callerHasLock is false
// and released only when it is true, so a function may lock and unlock
// unconditionally on every path; without it, locks nest.
ViStatus Ivi_LockSession(ViSession vi, ViBoolean* callerHasLock) {
  IVISTANDIN_ENTRY(vi);
  if (callerHasLock != nullptr && *callerHasLock) return VI_SUCCESS;
  return guarded(vi, [&] {
    std::shared_ptr<Session> session = Engine::instance().find(vi);
    if (!session) return failSession(vi, function);
    SessionLock& lock = session->lock;
    const std::thread::id self = std::this_thread::get_id();
    {
      std::unique_lock<std::mutex> guard(lock.mutex);
      lock.released.wait(guard, [&] { return lock.disposed || lock.depth == 0 || lock.owner == self; });
      if (!lock.disposed) {
        lock.owner = self;
        ++lock.depth;
        if (callerHasLock != nullptr) *callerHasLock = VI_TRUE;
        return VI_SUCCESS;
      }
    }
    return failSession(vi, function);  // disposed while waiting
  });
}

ViStatus Ivi_UnlockSession(ViSession vi, ViBoolean* callerHasLock) {
  IVISTANDIN_ENTRY(vi);
  if (callerHasLock != nullptr && !*callerHasLock) return VI_SUCCESS;
  return guarded(vi, [&] {
    std::shared_ptr<Session> session = Engine::instance().find(vi);
    if (!session) return failSession(vi, function);
    SessionLock& lock = session->lock;
    {
      std::lock_guard<std::mutex> guard(lock.mutex);
      if (lock.depth > 0 && lock.owner == std::this_thread::get_id()) {
        if (--lock.depth == 0) lock.released.notify_all();
        if (callerHasLock != nullptr) *callerHasLock = VI_FALSE;
        return VI_SUCCESS;
      }
    }
    return fail(vi, IVI_ERROR_SESSION_NOT_LOCKED, 0, std::string(function) + ": the calling thread holds no lock");
  });
}

ViStatus Ivi_SetErrorInfo(ViSession vi, ViBoolean overwrite, ViStatus primaryError, ViStatus secondaryError,
                          ViConstString errorElaboration) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] {
    recordErrorInfo(vi, overwrite != VI_FALSE, primaryError, secondaryError, errorElaboration);
    return VI_SUCCESS;
  });
}

ViStatus Ivi_GetErrorInfo(ViSession vi, ViStatus* primaryError, ViStatus* secondaryError,
                          ViChar errorElaboration[]) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] {
    ErrorInfo& thread = threadErrorInfo();
    ErrorInfo info;
    const bool ofSession = withSession(vi, [&](Session& session) { info = std::exchange(session.error, {}); });
    if (!ofSession)
      info = std::exchange(thread, {});
    else if (thread == info)
      thread = ErrorInfo();  // the same error must not come back through session 0
    if (primaryError != nullptr) *primaryError = info.primary;
    if (secondaryError != nullptr) *secondaryError = info.secondary;
    if (errorElaboration != nullptr) copyTruncated(info.elaboration, IVI_MAX_MESSAGE_BUF_SIZE, errorElaboration);
    return VI_SUCCESS;
  });
}

ViStatus Ivi_ClearErrorInfo(ViSession vi) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] {
    withSession(vi, [](Session& session) { session.error = ErrorInfo(); });
    threadErrorInfo() = ErrorInfo();
    return VI_SUCCESS;
  });
}

ViStatus Ivi_GetErrorMessage(ViStatus statusCode, ViChar messageBuf[]) {
  IVISTANDIN_ENTRY(0);
  if (messageBuf == nullptr) return failParameter(0, IVI_ERROR_NULL_POINTER, 2, function, "(messageBuf) is NULL");
  return guarded(0, [&] {
    copyTruncated(statusMessage(statusCode), IVI_MAX_MESSAGE_BUF_SIZE, messageBuf);
    return VI_SUCCESS;
  });
}

// The stand-in has English messages only.
ViStatus Ivi_GetErrorMessageLocalized(ViStatus statusCode, ViInt32 language, ViInt32 bufferSize,
                                      ViChar messageBuf[]) {
  IVISTANDIN_ENTRY(0);
  if (bufferSize < 0) return failParameter(0, IVI_ERROR_INVALID_VALUE, 3, function, "(bufferSize) is negative");
  if (bufferSize > 0 && messageBuf == nullptr)
    return failParameter(0, IVI_ERROR_NULL_POINTER, 4, function, "(messageBuf) is NULL");
  return guarded(0, [&] { return fillBuffer(statusMessage(statusCode), bufferSize, messageBuf); });
}

ViStatus Ivi_ParamPositionError(ViInt32 parameterPosition) {
  IVISTANDIN_ENTRY(0);
  return parameterPositionError(parameterPosition);
}

ViStatus Ivi_GetInfoFromResourceName(ViConstString resourceName, ViConstString optionString,
                                     ViChar newResourceName[], ViChar newOptionString[], ViBoolean* isLogicalName) {
  IVISTANDIN_ENTRY(0);
  // The option string is optional (NULL: ""), everything else required.
  if (resourceName == nullptr) return failParameter(0, IVI_ERROR_NULL_POINTER, 1, function, "(resourceName) is NULL");
  if (newResourceName == nullptr)
    return failParameter(0, IVI_ERROR_NULL_POINTER, 3, function, "(newResourceName) is NULL");
  if (newOptionString == nullptr)
    return failParameter(0, IVI_ERROR_NULL_POINTER, 4, function, "(newOptionString) is NULL");
  if (isLogicalName == nullptr) return failParameter(0, IVI_ERROR_NULL_POINTER, 5, function, "(isLogicalName) is NULL");
  *isLogicalName = VI_FALSE;
  return guarded(0, [&] {
    const LogicalNameLookup lookup = lookUpLogicalName(resourceName);
    if (lookup.status < 0) return fail(0, lookup.status, 0, std::string(function) + ": " + lookup.problem);
    const size_t size = IVI_MAX_MESSAGE_BUF_SIZE;
    if (lookup.found) {
      copyTruncated(lookup.entry.resourceName, size, newResourceName);
      copyTruncated(lookup.entry.optionString, size, newOptionString);
      *isLogicalName = VI_TRUE;
    } else {
      copyTruncated(resourceName, size, newResourceName);
      copyTruncated(optionString ? optionString : "", size, newOptionString);
    }
    return VI_SUCCESS;
  });
}

ViStatus Ivi_LogInterchangeWarning(ViSession vi, ViConstString warning) {
  IVISTANDIN_ENTRY(vi);
  if (warning == nullptr) return failParameter(vi, IVI_ERROR_NULL_POINTER, 2, function, "(warning) is NULL");
  return guarded(vi, [&] {
    return withSession(vi, [&](Session& session) { session.interchangeStrings.emplace_back(warning); })
               ? VI_SUCCESS
               : failSession(vi, function);
  });
}

// A string leaves the queue only when it was fetched whole.
ViStatus Ivi_GetNextInterchangeCheckString(ViSession vi, ViInt32 bufferSize, ViChar interchangeWarning[]) {
  IVISTANDIN_ENTRY(vi);
  if (bufferSize < 0) return failParameter(vi, IVI_ERROR_INVALID_VALUE, 2, function, "(bufferSize) is negative");
  if (bufferSize > 0 && interchangeWarning == nullptr)
    return failParameter(vi, IVI_ERROR_NULL_POINTER, 3, function, "(interchangeWarning) is NULL");
  return guarded(vi, [&] {
    ViStatus result = VI_SUCCESS;
    const bool known = withSession(vi, [&](Session& session) {
      std::deque<std::string>& queue = session.interchangeStrings;
      result = fillBuffer(queue.empty() ? std::string() : queue.front(), bufferSize, interchangeWarning);
      if (result == VI_SUCCESS && !queue.empty()) queue.pop_front();
    });
    return known ? result : failSession(vi, function);
  });
}

ViStatus Ivi_ClearInterchangeWarnings(ViSession vi) {
  IVISTANDIN_ENTRY(vi);
  return guarded(vi, [&] {
    return withSession(vi, [](Session& session) { session.interchangeStrings.clear(); })
               ? VI_SUCCESS
               : failSession(vi, function);
  });
}

}  // extern "C"
