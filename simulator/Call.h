// How an entry runs: the session lookup and lock around it, and failures
// turned into a status recorded with the IVI engine.
//
// An entry body reports a failure by throwing sim::Failure (raise()); the
// dispatch records it as the engine's error information of the session (or
// of the calling thread when there is none) and returns its code. Every
// exception the simulator raises derives from std::exception and none
// leaves an entry; the unwinding of a cancelled thread is not caught at
// all, so it passes through with the session lock released.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <utility>

#include "ivi_engine.h"

namespace sim {

class Session;

// A parameter of the running entry, by name and position (vi is 1).
struct Param {
  const char* name;
  ViInt32 position;
};

struct Failure : std::exception {
  Failure(ViStatus failureCode, ViInt32 failurePosition, std::string failureText)
      : code(failureCode), position(failurePosition), text(std::move(failureText)) {}
  const char* what() const noexcept override { return text.c_str(); }

  ViStatus code;
  ViInt32 position;  // of the offending parameter, 0 for none
  std::string text;  // the elaboration, without the entry's name
};

[[noreturn]] void raise(ViStatus code, std::string text);
[[noreturn]] void raise(ViStatus code, const Param& param, std::string text);

// The context of a session entry.
class Call {
 public:
  Call(const char* function, ViSession vi, std::shared_ptr<Session> session)
      : function_(function), vi_(vi), session_(std::move(session)) {}

  const char* function() const { return function_; }
  ViSession vi() const { return vi_; }
  Session& session() const { return *session_; }

  // Records a warning the entry returns.
  ViStatus warn(ViStatus code, const std::string& text) const;

  // Ends the engine session once the entry has released its lock (close).
  void disposeAfterwards() { dispose_ = true; }
  bool disposes() const { return dispose_; }

 private:
  const char* function_;
  ViSession vi_;
  std::shared_ptr<Session> session_;
  bool dispose_ = false;
};

// Records `code` with the engine as "<function>: <text>" on `vi` (or the
// thread) without overwriting an earlier error; returns `code`.
ViStatus record(ViSession vi, const char* function, ViStatus code, ViInt32 position,
                const std::string& text) noexcept;

// Turns the exception being handled into a recorded status.
ViStatus failedWith(ViSession vi, const char* function);

// The session `vi` of this library, or null after recording an invalid
// session handle.
std::shared_ptr<Session> findSession(ViSession vi, const char* function) noexcept;

// Holds the engine's session lock for one entry.
class EntryLock {
 public:
  explicit EntryLock(ViSession vi) : vi_(vi), status_(Ivi_LockSession(vi, &held_)) {}
  ~EntryLock() { release(); }
  EntryLock(const EntryLock&) = delete;
  EntryLock& operator=(const EntryLock&) = delete;

  ViStatus status() const { return status_; }
  void release() {
    if (held_) Ivi_UnlockSession(vi_, &held_);
  }

 private:
  ViSession vi_;
  ViBoolean held_ = VI_FALSE;
  ViStatus status_;
};

// Whether the session is still open; records an invalid handle when not.
bool stillOpen(const Call& call) noexcept;

template <typename Body>
ViStatus onSession(const char* function, ViSession vi, Body&& body) {
  try {
    std::shared_ptr<Session> session = findSession(vi, function);
    if (!session) return IVI_ERROR_INVALID_SESSION_HANDLE;
    Call call(function, vi, std::move(session));
    EntryLock lock(vi);
    if (lock.status() < 0) return lock.status();
    if (!stillOpen(call)) return IVI_ERROR_INVALID_SESSION_HANDLE;
    const ViStatus status = body(call);
    lock.release();
    if (call.disposes()) Ivi_Dispose(vi);
    return status;
  } catch (const std::exception&) {
    // Only exceptions of the simulator: the unwinding of a cancelled
    // thread passes through, releasing the lock on its way.
    return failedWith(vi, function);
  }
}

template <typename Body>
ViStatus withoutSession(const char* function, Body&& body) {
  try {
    return body();
  } catch (const std::exception&) {
    return failedWith(0, function);
  }
}

}  // namespace sim
