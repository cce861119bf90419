#include "Engine.h"

#include <atomic>
#include <cstring>

#include "IviStandin.h"

namespace ivistandin {

Engine& Engine::instance() {
  // Never destroyed: drivers may still dispose sessions from their own
  // static destructors at process exit.
  static Engine* engine = new Engine;
  return *engine;
}

std::shared_ptr<Session> Engine::find(ViSession vi) {
  std::lock_guard<std::mutex> guard(mutex);
  auto found = sessions_.find(vi);
  return found == sessions_.end() ? nullptr : found->second;
}

Session* Engine::findLocked(ViSession vi) {
  auto found = sessions_.find(vi);
  return found == sessions_.end() ? nullptr : found->second.get();
}

ViSession Engine::add(std::shared_ptr<Session> session) {
  std::lock_guard<std::mutex> guard(mutex);
  // Handles are not reused until the counter wraps; 0 is never a session.
  while (nextHandle_ == 0 || sessions_.count(nextHandle_) != 0) ++nextHandle_;
  const ViSession handle = nextHandle_++;
  sessions_.emplace(handle, std::move(session));
  return handle;
}

namespace {

void releaseLockForGood(Session& session) {
  std::lock_guard<std::mutex> guard(session.lock.mutex);
  session.lock.disposed = true;
  session.lock.released.notify_all();
}

}  // namespace

std::shared_ptr<Session> Engine::remove(ViSession vi) {
  std::shared_ptr<Session> session;
  {
    std::lock_guard<std::mutex> guard(mutex);
    auto found = sessions_.find(vi);
    if (found == sessions_.end()) return nullptr;
    session = std::move(found->second);
    sessions_.erase(found);
  }
  releaseLockForGood(*session);
  return session;
}

ViInt32 Engine::count() {
  std::lock_guard<std::mutex> guard(mutex);
  return static_cast<ViInt32>(sessions_.size());
}

void Engine::removeAll() {
  std::map<ViSession, std::shared_ptr<Session>> removed;
  {
    std::lock_guard<std::mutex> guard(mutex);
    removed.swap(sessions_);
  }
  for (auto& entry : removed) releaseLockForGood(*entry.second);
}

ErrorInfo& threadErrorInfo() {
  thread_local ErrorInfo info;
  return info;
}

void mergeErrorInfo(ErrorInfo& target, bool overwrite, ViStatus primary, ViStatus secondary,
                    const char* elaboration) {
  const bool taken = overwrite || (target.primary == 0 && primary != 0) ||
                     (target.primary > 0 && primary < 0);
  if (!taken) return;
  target.primary = primary;
  target.secondary = secondary;
  target.elaboration.assign(elaboration ? elaboration : "");
  if (target.elaboration.size() >= IVI_MAX_ERROR_ELABORATION_SIZE)
    target.elaboration.resize(IVI_MAX_ERROR_ELABORATION_SIZE - 1);
}

void recordErrorInfo(ViSession vi, bool overwrite, ViStatus primary, ViStatus secondary,
                     const char* elaboration) {
  Engine& engine = Engine::instance();
  {
    std::lock_guard<std::mutex> guard(engine.mutex);
    if (Session* session = engine.findLocked(vi))
      mergeErrorInfo(session->error, overwrite, primary, secondary, elaboration);
  }
  mergeErrorInfo(threadErrorInfo(), overwrite, primary, secondary, elaboration);
}

// Recording is best effort: without memory for it the code still goes back.
ViStatus fail(ViSession vi, ViStatus code, ViStatus secondary, const std::string& elaboration) {
  try {
    recordErrorInfo(vi, false, code, secondary, elaboration.c_str());
  } catch (...) {
  }
  return code;
}

ViStatus failParameter(ViSession vi, ViStatus code, ViInt32 position, const char* function,
                       const char* problem) {
  try {
    return fail(vi, code, parameterPositionError(position),
                std::string(function) + ": parameter " + std::to_string(position) + " " + problem);
  } catch (...) {
    return code;
  }
}

ViStatus failSession(ViSession vi, const char* function) {
  try {
    return fail(vi, IVI_ERROR_INVALID_SESSION_HANDLE, 0,
                std::string(function) + ": " + std::to_string(vi) + " is not an IVI engine session");
  } catch (...) {
    return IVI_ERROR_INVALID_SESSION_HANDLE;
  }
}

ViStatus unsupported(ViSession vi, const char* function) {
  return guarded(vi, [&] {
    return fail(vi, IVI_ERROR_FUNCTION_NOT_SUPPORTED, 0,
                std::string(function) + " is not supported by the IVI engine stand-in");
  });
}

ViStatus parameterPositionError(ViInt32 position) {
  static const ViStatus kCodes[] = {VI_ERROR_PARAMETER1, VI_ERROR_PARAMETER2, VI_ERROR_PARAMETER3,
                                    VI_ERROR_PARAMETER4, VI_ERROR_PARAMETER5, VI_ERROR_PARAMETER6,
                                    VI_ERROR_PARAMETER7, VI_ERROR_PARAMETER8, VI_ERROR_PARAMETER9};
  if (position < 1 || position > 9) return IVI_ERROR_INVALID_PARAMETER;
  return kCodes[position - 1];
}

void copyTruncated(const std::string& text, size_t size, ViChar* buffer) {
  const size_t length = text.size() < size ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

ViStatus fillBuffer(const std::string& text, ViInt32 size, ViChar* buffer) {
  const size_t needed = text.size() + 1;
  if (size > 0) copyTruncated(text, static_cast<size_t>(size), buffer);
  if (size > 0 && needed <= static_cast<size_t>(size)) return VI_SUCCESS;
  return needed > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<ViStatus>(needed);
}

const EngineAttribute* findEngineAttribute(ViAttr id) {
  for (size_t i = 0; i < kEngineAttributeCount; ++i)
    if (kEngineAttributes[i].id == id) return &kEngineAttributes[i];
  return nullptr;
}

// ------------------------------------------------------ status injection

namespace {

struct Injection {
  ViStatus status;
  ViInt32 remaining;
};

struct Injections {
  std::mutex mutex;
  std::map<std::string, Injection> byFunction;
  std::atomic<int> active{0};
  std::atomic<ViSession> lastSession{0};

  static Injections& instance() {
    static Injections* injections = new Injections;
    return *injections;
  }
};

}  // namespace

bool takeInjected(const char* function, ViSession session, ViStatus& status) {
  Injections& injections = Injections::instance();
  if (injections.active.load(std::memory_order_acquire) == 0) return false;
  std::lock_guard<std::mutex> guard(injections.mutex);
  auto found = injections.byFunction.find(function);
  if (found == injections.byFunction.end()) return false;
  status = found->second.status;
  if (--found->second.remaining == 0) {
    injections.byFunction.erase(found);
    injections.active.store(static_cast<int>(injections.byFunction.size()));
  }
  injections.lastSession.store(session);
  return true;
}

}  // namespace ivistandin

using ivistandin::Engine;
using ivistandin::Injections;

extern "C" {

void IviStandin_InjectStatus(const char* function, ViStatus status, ViInt32 count) {
  if (function == nullptr) return;
  Injections& injections = Injections::instance();
  std::lock_guard<std::mutex> guard(injections.mutex);
  if (count > 0)
    injections.byFunction[function] = {status, count};
  else
    injections.byFunction.erase(function);
  injections.active.store(static_cast<int>(injections.byFunction.size()), std::memory_order_release);
}

ViSession IviStandin_LastInjectedSession(void) {
  return Injections::instance().lastSession.load();
}

ViInt32 IviStandin_OpenSessionCount(void) { return Engine::instance().count(); }

void IviStandin_Reset(void) {
  Engine::instance().removeAll();
  Injections& injections = Injections::instance();
  {
    std::lock_guard<std::mutex> guard(injections.mutex);
    injections.byFunction.clear();
    injections.active.store(0);
  }
  injections.lastSession.store(0);
  ivistandin::threadErrorInfo() = ivistandin::ErrorInfo();
}

}  // extern "C"
