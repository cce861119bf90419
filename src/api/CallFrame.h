// The frames every exported function runs in: plugin call, exception
// handling, error recording and the merge of the two statuses, and for the
// traced exports the trace record around them.
//
// A traced export reads:
//   api::CallFrame frame(vi, api::Variant::kStandard, 112, "tovik_ConfigureFrequency");
//   if (frame.traced()) { frame.begin(); frame.value("vi", vi, 35); ...; frame.endParams(); }
//   frame.run([&] { ... return table.ConfigureFrequency(vi, channelName, frequency); });
//   if (frame.finishing()) { frame.epilogue(); frame.output(...); }
//   return frame.finish();
// and an export without a trace record:
//   api::UntracedFrame frame(vi);
//   frame.run([&] { ... });
//   return frame.finish();
// UntracedFrame has no trace operation at all, so an export without a trace
// id cannot reach the trace logger. With tracing off a traced frame costs
// one flag read, the session lookup and the call: no allocation, no lock
// beyond the registry's.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/Cancellation.h"
#include "sessions/SessionRegistry.h"
#include "status/Status.h"
#include "trace/IOTraceLinker.h"
#include "tovik/tovik_vitypes.h"

namespace tovik {
class Plugin;
}
namespace miivi {
class MxlWrapper;
}

namespace api {

// The precedence rule between the call's own result and the status caught
// from an exception: a caught error always wins, a caught warning wins over
// success or another warning, never over an error.
constexpr ViStatus mergeStatus(ViStatus result, ViStatus caught) {
  return (caught < 0 || (caught > 0 && result >= 0)) ? caught : result;
}

// Which pseudo-parameters the record of a traced frame carries.
enum class Variant {
  kStandard,  // "dummysessn" with the session's name, "dummyintch" when vi != 0
  kOpening,   // "dummysessn" as 8 zero bytes, no "dummyintch"
  kClosing,   // "dummysessn" with the session's name, no "dummyintch"
};

// What every frame does: runs the call body; any exception becomes the
// accumulated status, is described and recorded with the engine on `vi`,
// and is merged into the result. Thread cancellation passes through.
class FrameCore {
 public:
  explicit FrameCore(ViSession vi) : vi_(vi) {}
  FrameCore(const FrameCore&) = delete;
  FrameCore& operator=(const FrameCore&) = delete;

  template <typename Body>
  TOVIK_HANDLES_CANCELLATION void run(Body&& body) {
    try {
      result_ = body();
    }
    TOVIK_LET_CANCELLATION_PASS
    catch (...) {
      recordCurrentException();
    }
    merge();
  }
  ViStatus result() const noexcept { return result_; }
  // Whether the front end's own status decided the result.
  bool frontEndStatusTaken() const noexcept { return frontEndTaken_; }

 protected:
  void recordCurrentException();
  void merge() noexcept {
    const ViStatus merged = mergeStatus(result_, accumulator_.code);
    frontEndTaken_ = accumulator_.code != 0 && merged == accumulator_.code;
    result_ = merged;
  }

  ViSession vi_;
  bool frontEndTaken_ = false;
  ViStatus result_ = 0;
  voerr::Status accumulator_;
};

// The frame of the exports that write no trace record.
class UntracedFrame final : public FrameCore {
 public:
  explicit UntracedFrame(ViSession vi) : FrameCore(vi) {}
  ViStatus finish() const noexcept { return result_; }
};

class CallFrame final : public FrameCore {
 public:
  // `vi` is the session the error of the call is recorded on (0 for the
  // opening calls); the record opens only when tracing is on. The silent
  // path is inline: every forwarded call takes it.
  CallFrame(ViSession vi, Variant variant, int32_t functionId, const char* name)
      : FrameCore(vi), variant_(variant) {
    if (iotracetools::traceLinker().isEnabled()) openRecord(functionId, name);
  }
  ~CallFrame() {
    // A record left open (tracing switched off mid-call) is still released.
    if (cookie_) releaseRecord();
  }

  bool traced() const noexcept { return cookie_ != nullptr; }

  // Parameters, numbered in call order; only while traced().
  void begin();
  template <typename T>
  void value(const char* name, const T& data, int32_t code) noexcept {
    param(name, &data, sizeof data, sizeof data, code);
  }
  // Only the first `bytes` bytes of a wider value.
  template <typename T>
  void leading(const char* name, const T& data, int32_t bytes, int32_t code) noexcept {
    param(name, &data, bytes, bytes, code);
  }
  void text(const char* name, const char* text) noexcept;
  // A caller's text buffer recorded as text before the call, reading at
  // most `bound` bytes of it.
  void bufferText(const char* name, const char* text, size_t bound) noexcept;
  void address(const char* name, const void* pointer, int32_t code) noexcept;
  // An input array: its address, then, when it is not null, its contents:
  // `count` elements, or none (total 0) when the count is 0 or negative or
  // the call has no count argument. The contents record is always there for
  // a non-null array, so later parameters keep their catalogue indices.
  void array(const char* name, const void* data, int32_t elementSize, int64_t count,
             int32_t code) noexcept;
  void attributeName(ViAttr attributeId);
  void endParams() noexcept;

  // Returns; only after finishing() said yes.
  bool finishing() noexcept {
    finishing_ = cookie_ != nullptr && iotracetools::traceLinker().isEnabled();
    return finishing_;
  }
  void epilogue();
  template <typename T>
  void output(const char* starredName, const T* data, int32_t code) noexcept {
    if (data) returned(starredName, data, sizeof *data, sizeof *data, code);
  }
  // An output text up to its terminating zero, reading at most `bound`
  // bytes (the caller's buffer size; negative: the caller sized it to fit).
  void outputText(const char* name, const char* text, int64_t bound) noexcept;
  void outputBytes(const char* name, const void* data, int32_t elementSize, int64_t count,
                   int32_t code) noexcept;
  // The opening calls' "dummysessn": the first 255 characters of the name.
  void outputResourceName(const char* resourceName) noexcept;

  // Ends the record (status return, end, free) and returns the result.
  ViStatus finish() {
    if (finishing_) endRecord();
    return result_;
  }

 private:
  void openRecord(int32_t functionId, const char* name);
  void releaseRecord() noexcept;
  void endRecord();
  void param(const char* name, const void* data, int32_t elementSize, int64_t total,
             int32_t code) noexcept;
  void returned(const char* name, const void* data, int32_t elementSize, int64_t total,
                int32_t code) noexcept;
  void describePendingError();
  void logInterchangeStrings();

  Variant variant_;
  void* cookie_ = nullptr;
  bool finishing_ = false;
  int32_t index_ = 0;
  // Only touched while tracing, so a silent call never zeroes them.
  char errorDescription_[1024];
  char sessionName_[256];
};


// Renders `status` in `language` and records it as the engine's error
// information of `vi`; the text is cut to end in "..." at 1023 characters.
void recordError(ViSession vi, const voerr::Status& status, int32_t language,
                 const miivi::MxlWrapper& translator);

// The plugin serving a registered session; 0xBFFA1190 when unknown. The
// session reference is dropped before returning: plugins live for the
// process, and no registry lock or reference is held while one runs.
inline tovik::Plugin& sessionPlugin(ViSession vi) {
  return *miivi::sessionRegistry().lookup(vi)->plugin();
}

// The session a closing call ends. Looks it up (0xBFFA1190 when unknown);
// the caller checks the plugin's closing entry, then takes the session out
// of the registry before calling that entry.
class ClosingSession {
 public:
  explicit ClosingSession(ViSession vi);
  tovik::Plugin& plugin() const;
  // Removes this very session and drops the reference, so the session dies
  // before the plugin closes it. Raises 0xBFFA1190 when another closing call
  // took it out first: of two concurrent closes of a handle one succeeds,
  // and the plugin closes the device session once.
  void takeOut();

 private:
  ViSession vi_;
  miivi::SessionReference session_;
};

}  // namespace api
