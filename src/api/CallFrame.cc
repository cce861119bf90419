// The call frame shared by the exported functions.
#include "api/CallFrame.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "ivi/IviWrapper.h"
#include "plugins/Plugin.h"
#include "reportjson/ReportJson.h"
#include "sessions/LanguageAccessor.h"
#include "sessions/SessionRegistry.h"
#include "status/Exception.h"
#include "status/Raise.h"
#include "trace/IOTraceLinker.h"
#include "trace/SnooprBinding.h"
#include "translation/ErrorAccessor.h"
#include "translation/MxlWrapper.h"

namespace api {

namespace trace = iotracetools;

namespace {

constexpr int32_t kApiType = trace::kTraceApiType;
constexpr int32_t kRecordFlags = trace::kTraceRecordFlags;
constexpr int32_t kAddressCode = trace::kTraceTypeAddress;
constexpr int32_t kTextCode = trace::kTraceTypeText;
constexpr int32_t kStatusCode = trace::kTraceTypeStatus;
constexpr uint32_t kRecordFlagsForTranslation =
    miivi::kTranslateDefault | miivi::kDynamicDescription | miivi::kNestedErrors;
constexpr const char* kNoDescription = "Could not retrieve error description.";
constexpr size_t kRecordedErrorLength = 1023;

const void* const kNullAddress = nullptr;

size_t boundedLength(const char* text, size_t bound) {
  const void* end = std::memchr(text, '\0', bound);
  return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : bound;
}

}  // namespace

void CallFrame::openRecord(int32_t functionId, const char* name) {
  cookie_ = trace::SnooprGetCookie(kApiType, functionId, kRecordFlags, name);
}

void CallFrame::releaseRecord() noexcept { trace::SnooprFreeCookie(cookie_); }

void CallFrame::param(const char* name, const void* data, int32_t elementSize, int64_t total,
                      int32_t code) noexcept {
  trace::SnooprSetParamElementSize_generic(cookie_, index_++, data, elementSize, total, name, code);
}

void CallFrame::returned(const char* name, const void* data, int32_t elementSize, int64_t total,
                         int32_t code) noexcept {
  trace::SnooprSetReturnElementSize_generic(cookie_, index_++, data, elementSize, total, name,
                                            code);
}

TOVIK_HANDLES_CANCELLATION void CallFrame::begin() {
  std::memset(errorDescription_, 0, sizeof errorDescription_);
  std::memset(sessionName_, 0, sizeof sessionName_);
  param("dummyerror", errorDescription_, 8, 8, kAddressCode);
  if (variant_ == Variant::kOpening) {
    param("dummysessn", sessionName_, 8, 8, kAddressCode);
    return;
  }
  if (vi_ != 0) {
    try {
      if (miivi::SessionReference session = miivi::sessionRegistry().find(vi_)) {
        const std::string& name = session->resourceName();
        std::memcpy(sessionName_, name.data(), std::min(name.size(), sizeof sessionName_ - 1));
      }
    }
    TOVIK_LET_CANCELLATION_PASS
    catch (...) {
      // The name is only decoration; the call itself reports a bad handle.
    }
  }
  param("dummysessn", sessionName_, 1, static_cast<int64_t>(std::strlen(sessionName_)), kTextCode);
  if (variant_ == Variant::kStandard && vi_ != 0) param("dummyintch", &kNullAddress, 8, 8, kAddressCode);
}

void CallFrame::text(const char* name, const char* text) noexcept {
  if (text) {
    param(name, text, 1, static_cast<int64_t>(std::strlen(text)), kTextCode);
  } else {
    param(name, &text, 8, 8, kAddressCode);
  }
}

void CallFrame::bufferText(const char* name, const char* text, size_t bound) noexcept {
  if (text) {
    param(name, text, 1, static_cast<int64_t>(boundedLength(text, bound)), kTextCode);
  } else {
    param(name, &text, 8, 8, kAddressCode);
  }
}

void CallFrame::address(const char* name, const void* pointer, int32_t code) noexcept {
  param(name, &pointer, 8, 8, code);
}

void CallFrame::array(const char* name, const void* data, int32_t elementSize, int64_t count,
                      int32_t code) noexcept {
  param(name, &data, 8, 8, code);
  if (data) param(name, data, elementSize, count > 0 ? count * elementSize : 0, code);
}

TOVIK_HANDLES_CANCELLATION void CallFrame::attributeName(ViAttr attributeId) {
  char name[256] = {};
  try {
    miivi::IviWrapper binding(vi_);
    if (binding.Ivi_GetAttributeName(attributeId, name, sizeof name, 1) < 0) {
      binding.Ivi_ClearErrorInfo(1);
    }
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
  }
  name[sizeof name - 1] = '\0';
  param("dummyattr", name, 1, static_cast<int64_t>(std::strlen(name)), kTextCode);
}

void CallFrame::endParams() noexcept {
  trace::SnooprEndParams(cookie_, index_);
  index_ = 0;
}

TOVIK_HANDLES_CANCELLATION void FrameCore::recordCurrentException() {
  int32_t language = 0;
  try {
    language = miivi::languageAccessor().getLanguage(miivi::IviWrapper(vi_));
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
  }
  try {
    voerr::translateCurrentException(accumulator_);
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
    // Not a standard exception: still an error of this call, never an escape.
    voerr::Status unknown;
    TOVIK_RAISE_PLAIN(voerr::codes::kInternalSoftwareError).into(unknown);
    accumulator_.mergeMove(unknown);
  }
  recordError(vi_, accumulator_, language, miivi::MxlWrapper());
}

TOVIK_HANDLES_CANCELLATION void recordError(ViSession vi, const voerr::Status& status,
                                            int32_t language,
                                            const miivi::MxlWrapper& translator) {
  try {
    int32_t code = status.code;
    translator.unmapErrorCode(code);
    std::string text;
    voerr::Status rendering;
    translator.translate(status, language, kRecordFlagsForTranslation, text, rendering);
    // A failed rendering leaves the report's JSON as its text; a report that
    // names no translator renders to nothing, and its JSON is what says
    // what failed (the library the loader could not open, for one). A
    // translated report without items renders to nothing, rightly.
    if (text.empty()) {
      if (rendering.isError()) {
        text = kNoDescription;
      } else if (status.report && !voxlator::json::findMember(status.report, "translator")) {
        text = status.reportText();
      }
    }
    if (text.size() > kRecordedErrorLength - 1) {
      text[kRecordedErrorLength - 3] = '.';
      text[kRecordedErrorLength - 2] = '.';
      text[kRecordedErrorLength - 1] = '.';
    }
    miivi::IviWrapper(vi).Ivi_SetErrorInfo(VI_FALSE, status.code, 0, text.c_str(), 1);
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
    // Describing the error failed too; the status still goes back.
  }
}


TOVIK_HANDLES_CANCELLATION void CallFrame::describePendingError() {
  try {
    const miivi::MxlWrapper translator;
    miivi::ErrorAccessor accessor(translator);
    miivi::IviWrapper thread(0);
    const int32_t language = miivi::languageAccessor().getLanguage(thread);
    ViStatus code = 0;
    accessor.peekError(language, thread, true, &code, sizeof errorDescription_, errorDescription_,
                       miivi::kTranslateDefault);
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
  }
  errorDescription_[sizeof errorDescription_ - 1] = '\0';
}

TOVIK_HANDLES_CANCELLATION void CallFrame::logInterchangeStrings() {
  std::string text;
  try {
    miivi::IviWrapper binding(vi_);
    ViStatus size = binding.Ivi_GetNextInterchangeCheckString(0, nullptr, 0);
    while (size >= 2) {
      const size_t start = text.size();
      text.resize(start + static_cast<size_t>(size));
      const ViStatus fetched = binding.Ivi_GetNextInterchangeCheckString(size, &text[start], 0);
      text.resize(start + boundedLength(&text[start], static_cast<size_t>(size)));
      if (fetched != 0) break;
      size = binding.Ivi_GetNextInterchangeCheckString(0, nullptr, 0);
      if (size >= 2) text += "\r\n\r\n";
    }
  } catch (const std::exception& error) {
    const char* what = error.what();
    if (what) returned("dummyintch", what, 1, static_cast<int64_t>(std::strlen(what)), kTextCode);
    return;
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
    return;
  }
  returned("dummyintch", text.data(), 1, static_cast<int64_t>(text.size()), kTextCode);
}

void CallFrame::epilogue() {
  index_ = 0;
  if (result_ < 0) describePendingError();
  returned("dummyerror", errorDescription_, 1,
           static_cast<int64_t>(std::strlen(errorDescription_)), kTextCode);
  if (variant_ == Variant::kStandard && vi_ != 0) logInterchangeStrings();
}

void CallFrame::outputText(const char* name, const char* text, int64_t bound) noexcept {
  if (!text) return;
  // A negative size is the caller's promise of room for the whole text.
  const size_t length = bound < 0 ? std::strlen(text) : boundedLength(text, static_cast<size_t>(bound));
  returned(name, text, 1, static_cast<int64_t>(length), kTextCode);
}

void CallFrame::outputBytes(const char* name, const void* data, int32_t elementSize,
                            int64_t count, int32_t code) noexcept {
  if (!data) return;
  returned(name, data, elementSize, count > 0 ? count * elementSize : 0, code);
}

void CallFrame::outputResourceName(const char* resourceName) noexcept {
  char name[256] = {};
  if (resourceName) std::strncpy(name, resourceName, sizeof name - 1);
  returned("dummysessn", name, 1, static_cast<int64_t>(std::strlen(name)), kTextCode);
}

void CallFrame::endRecord() {
  trace::SnooprSetFuncReturnElementSize_generic(cookie_, index_, &result_, 4, 4, nullptr,
                                                kStatusCode, result_ >= 0 ? 1 : 0);
  trace::SnooprEndReturns(&cookie_, index_ + 1);
  trace::SnooprFreeCookie(cookie_);
  cookie_ = nullptr;
}

ClosingSession::ClosingSession(ViSession vi)
    : vi_(vi), session_(miivi::sessionRegistry().lookup(vi)) {}

tovik::Plugin& ClosingSession::plugin() const { return *session_->plugin(); }

void ClosingSession::takeOut() {
  dvl::takeOut(vi_, session_.get());
  session_.reset();
}

}  // namespace api
