// The stand-in engine's state: sessions with their attributes, error
// information per session and per thread, and session locks.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>

#include "IviStandinInternal.h"

namespace ivistandin {

struct ErrorInfo {
  ViStatus primary = 0;
  ViStatus secondary = 0;
  std::string elaboration;

  bool operator==(const ErrorInfo& other) const {
    return primary == other.primary && secondary == other.secondary &&
           elaboration == other.elaboration;
  }
};

using AttributeValue =
    std::variant<ViInt32, ViInt64, ViReal64, std::string, ViBoolean, ViSession, ViAddr>;

struct Attribute {
  ViInt32 type;
  std::string name;
  IviAttrFlags flags;
  AttributeValue value;
};

// Ivi_LockSession's lock: recursive for its owner thread, and released for
// good when the session is disposed so that waiters give up.
struct SessionLock {
  std::mutex mutex;
  std::condition_variable released;
  std::thread::id owner;
  int depth = 0;
  bool disposed = false;
};

// Everything but `lock` is guarded by Engine::mutex.
struct Session {
  std::map<ViAttr, Attribute> attributes;
  ErrorInfo error;
  std::deque<std::string> interchangeStrings;
  SessionLock lock;
};

class Engine {
 public:
  static Engine& instance();

  // Engine::mutex must be held for the session's data.
  std::mutex mutex;

  // Null when `vi` is 0 or not a session. Takes the mutex itself.
  std::shared_ptr<Session> find(ViSession vi);
  // Needs the mutex held.
  Session* findLocked(ViSession vi);

  ViSession add(std::shared_ptr<Session> session);
  std::shared_ptr<Session> remove(ViSession vi);
  ViInt32 count();
  void removeAll();

 private:
  std::map<ViSession, std::shared_ptr<Session>> sessions_;
  ViSession nextHandle_ = 1;
};

// A new session's engine attributes with their defaults, and the setting of
// one from its option-string text.
void addEngineAttributes(Session& session);
void setEngineAttribute(Session& session, ViAttr id, const std::string& text);

// The calling thread's error information (that of session 0).
ErrorInfo& threadErrorInfo();

// Applies Ivi_SetErrorInfo's rule to one record.
void mergeErrorInfo(ErrorInfo& target, bool overwrite, ViStatus primary, ViStatus secondary,
                    const char* elaboration);

// Writes the error record of `vi` (when it is a session) and of the thread.
void recordErrorInfo(ViSession vi, bool overwrite, ViStatus primary, ViStatus secondary,
                     const char* elaboration);

// A bad argument at `position`: `code` with Ivi_ParamPositionError as
// secondary code.
ViStatus failParameter(ViSession vi, ViStatus code, ViInt32 position, const char* function,
                       const char* problem);

// IVI_ERROR_INVALID_SESSION_HANDLE, recorded for the thread.
ViStatus failSession(ViSession vi, const char* function);

ViStatus parameterPositionError(ViInt32 position);

// The buffer rule shared by the string getters: 0 when `text` fits, else
// the size it needs; a size of 0 writes nothing. The caller has checked
// that the size is not negative and the buffer is there when size > 0.
ViStatus fillBuffer(const std::string& text, ViInt32 size, ViChar* buffer);
// Copies `text` cut to size - 1 characters (size > 0).
void copyTruncated(const std::string& text, size_t size, ViChar* buffer);

// Runs an exported function's body: the engine reports failures as
// statuses, never as exceptions.
template <typename Body>
ViStatus guarded(ViSession vi, Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    try {
      return fail(vi, IVI_ERROR_OUT_OF_MEMORY, 0, "out of memory");
    } catch (...) {
      return IVI_ERROR_OUT_OF_MEMORY;
    }
  } catch (...) {
    return IVI_ERROR_CANNOT_RECOVER;
  }
}

}  // namespace ivistandin
