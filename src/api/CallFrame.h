// The frame every exported function runs in: trace record, plugin call,
// exception handling, error recording and the merge of the two statuses.
//
// A generated export reads:
//   api::CallFrame frame(vi, api::Variant::kStandard, 112, "tovik_ConfigureFrequency");
//   if (frame.traced()) { frame.begin(); frame.value("vi", vi, 35); ...; frame.endParams(); }
//   frame.run([&] { ... return table.ConfigureFrequency(vi, channelName, frequency); });
//   if (frame.finishing()) { frame.epilogue(); frame.output(...); }
//   return frame.finish();
// With tracing off the frame costs one flag read, the session lookup and the
// call: no allocation, no lock beyond the registry's.
#pragma once

#include <cstdint>
#include <cstring>

#include "status/Status.h"
#include "tovik_vitypes.h"

namespace tovik {
class Plugin;
}
namespace miivi {
class MxlWrapper;
}

namespace api {

// Which pseudo-parameters the record carries.
enum class Variant {
  kStandard,  // "dummysessn" with the session's name, "dummyintch" when vi != 0
  kOpening,   // "dummysessn" as 8 zero bytes, no "dummyintch"
  kClosing,   // "dummysessn" with the session's name, no "dummyintch"
};

class CallFrame {
 public:
  // `vi` is the session the error of the call is recorded on (0 for the
  // opening calls); the record opens only when tracing is on.
  CallFrame(ViSession vi, Variant variant, int32_t functionId, const char* name) noexcept;
  ~CallFrame();
  CallFrame(const CallFrame&) = delete;
  CallFrame& operator=(const CallFrame&) = delete;

  bool traced() const noexcept { return cookie_ != nullptr; }

  // Parameters, numbered in call order; only while traced().
  void begin() noexcept;
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
  // An input array: its address, then (when not null) `count` elements.
  void array(const char* name, const void* data, int32_t elementSize, int64_t count,
             int32_t code) noexcept;
  void attributeName(ViAttr attributeId) noexcept;
  void endParams() noexcept;

  // Runs the call body; any exception becomes the accumulated status, is
  // described and recorded with the engine, and merged into the result.
  template <typename Body>
  void run(Body&& body) noexcept {
    try {
      result_ = body();
    } catch (...) {
      recordCurrentException();
    }
    merge();
  }
  ViStatus result() const noexcept { return result_; }
  // Whether the front end's own status decided the result.
  bool frontEndStatusTaken() const noexcept { return frontEndTaken_; }

  // Returns; only after finishing() said yes.
  bool finishing() noexcept;
  void epilogue() noexcept;
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
  ViStatus finish() noexcept;

 private:
  void param(const char* name, const void* data, int32_t elementSize, int64_t total,
             int32_t code) noexcept;
  void returned(const char* name, const void* data, int32_t elementSize, int64_t total,
                int32_t code) noexcept;
  void recordCurrentException() noexcept;
  void merge() noexcept;
  void describePendingError() noexcept;
  void logInterchangeStrings() noexcept;

  ViSession vi_;
  Variant variant_;
  void* cookie_ = nullptr;
  bool finishing_ = false;
  bool frontEndTaken_ = false;
  int32_t index_ = 0;
  ViStatus result_ = 0;
  voerr::Status accumulator_;
  // Only touched while tracing, so a silent call never zeroes them.
  char errorDescription_[1024];
  char sessionName_[256];
};

// The precedence rule between the call's own result and the status caught
// from an exception: a caught error always wins, a caught warning wins over
// success or another warning, never over an error.
constexpr ViStatus mergeStatus(ViStatus result, ViStatus caught) {
  return (caught < 0 || (caught > 0 && result >= 0)) ? caught : result;
}

// Renders `status` in `language` and records it as the engine's error
// information of `vi`; the text is cut to end in "..." at 1023 characters.
void recordError(ViSession vi, const voerr::Status& status, int32_t language,
                 const miivi::MxlWrapper& translator) noexcept;

// The plugin serving a registered session; 0xBFFA1190 when unknown. The
// session reference is dropped before returning: plugins live for the
// process, and no registry lock or reference is held while one runs.
tovik::Plugin& sessionPlugin(ViSession vi);

}  // namespace api
