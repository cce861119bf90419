// Describing codes and pending errors under the buffer rules of the API.
#include "translation/ErrorAccessor.h"

#include <cstring>
#include <memory>
#include <string>

#include "platform/Cancellation.h"
#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi_engine.h"
#include "status/Raise.h"

namespace miivi {

namespace {

constexpr ViAttr kPrimaryErrorAttribute = IVI_ATTR_PRIMARY_ERROR;
constexpr ViAttr kSecondaryErrorAttribute = IVI_ATTR_SECONDARY_ERROR;
constexpr ViAttr kElaborationAttribute = IVI_ATTR_ERROR_ELABORATION;
constexpr int32_t kSizeQueryBuffer = 4096;

// Appends into a caller's buffer without ever writing past it; a buffer to
// which nothing is appended keeps its content.
class BoundedWriter {
 public:
  // capacity < 0: no limit.
  BoundedWriter(char* buffer, int64_t capacity) : buffer_(buffer), capacity_(capacity) {}

  void append(const std::string& text) {
    if (text.empty()) return;
    size_t count = text.size();
    if (capacity_ >= 0) {
      const int64_t room = capacity_ - 1 - used_;
      if (room <= 0) return;
      if (static_cast<int64_t>(count) > room) count = static_cast<size_t>(room);
    }
    std::memcpy(buffer_ + used_, text.data(), count);
    used_ += static_cast<int64_t>(count);
    buffer_[used_] = '\0';
  }
  bool empty() const { return used_ == 0; }
  int64_t used() const { return used_; }

 private:
  char* buffer_;
  int64_t capacity_;
  int64_t used_ = 0;
};

void describeCode(const MxlWrapper& translator, BoundedWriter& writer, int32_t language,
                  ViStatus code, uint32_t flags) {
  voerr::Status report;
  if (code != 0) {
    const int32_t errorCode = code;
    TOVIK_RAISE_VAR(errorCode).into(report);
  }
  std::string text;
  voerr::Status translation;
  translator.translate(report, language, flags | kStaticDescription, text, translation);
  if (translation.isError()) text = "Could not retrieve error description";
  writer.append(text);
}

[[noreturn]] void raiseNullParameter() {
  TOVIK_RAISE(voerr::codes::kNullPointer).comment("Null parameter received.").throwIt();
}

}  // namespace

void ErrorAccessor::getErrorMessage(int32_t language, ViStatus code, ViChar* buffer,
                                    uint32_t flags) {
  if (!buffer) raiseNullParameter();
  if (code == 0) return;
  BoundedWriter writer(buffer, 256);
  describeCode(*translator_, writer, language, code, flags);
}

int32_t ErrorAccessor::getError(int32_t language, IviWrapperInterface& binding,
                                bool skipParameterCodes, ViStatus* code, int32_t bufferSize,
                                ViChar* buffer, uint32_t flags) {
  return readError(language, binding, skipParameterCodes, code, bufferSize, buffer, flags, true);
}

int32_t ErrorAccessor::peekError(int32_t language, IviWrapperInterface& binding,
                                 bool skipParameterCodes, ViStatus* code, int32_t bufferSize,
                                 ViChar* buffer, uint32_t flags) {
  return readError(language, binding, skipParameterCodes, code, bufferSize, buffer, flags, false);
}

TOVIK_HANDLES_CANCELLATION void ErrorAccessor::getErrorIfCode(
    int32_t language, IviWrapperFactoryInterface& factory, ViStatus expectedCode,
    int32_t bufferSize, ViChar* buffer, uint32_t flags) {
  if (expectedCode == 0 || (!buffer && bufferSize > 0)) return;
  try {
    std::unique_ptr<IviWrapperInterface> binding = factory.createBinding(0);
    ViStatus primary = 0;
    getError(language, *binding, true, &primary, bufferSize, buffer, flags);
    if (primary != expectedCode && bufferSize > 0) buffer[0] = '\0';
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
  }
}

int32_t ErrorAccessor::readError(int32_t language, IviWrapperInterface& binding,
                                 bool skipParameterCodes, ViStatus* code, int32_t bufferSize,
                                 ViChar* buffer, uint32_t flags, bool clear) {
  if (bufferSize != 0 && (!code || !buffer)) raiseNullParameter();

  char elaboration[1024] = {};
  ViStatus status = binding.Ivi_GetAttributeViString(nullptr, kElaborationAttribute, 0,
                                                     sizeof elaboration, elaboration, 1);
  if (status < 0) return status;

  ViStatus primary = 0;
  ViStatus secondary = 0;
  if (clear && bufferSize != 0) {
    status = binding.Ivi_GetErrorInfo(&primary, &secondary, nullptr, 1);
    if (status < 0) return status;
  } else {
    status = binding.Ivi_GetAttributeViInt32(nullptr, kPrimaryErrorAttribute, 0, &primary, 1);
    if (status < 0) return status;
    status = binding.Ivi_GetAttributeViInt32(nullptr, kSecondaryErrorAttribute, 0, &secondary, 1);
    if (status < 0) return status;
  }

  char scratch[kSizeQueryBuffer];
  scratch[0] = '\0';
  BoundedWriter writer = bufferSize > 0    ? BoundedWriter(buffer, bufferSize)
                         : bufferSize < 0  ? BoundedWriter(buffer, -1)
                                           : BoundedWriter(scratch, sizeof scratch);
  if (primary != 0) describeCode(*translator_, writer, language, primary, flags);

  bool describeSecondary = secondary != 0;
  if (describeSecondary && skipParameterCodes) {
    for (ViInt32 position = 1; position <= 9; ++position) {
      if (binding.Ivi_ParamPositionError(position, 1) == secondary) {
        describeSecondary = false;
        break;
      }
    }
  }
  if (describeSecondary) {
    if (!writer.empty()) writer.append("\n\n");
    describeCode(*translator_, writer, language, secondary, flags);
  }
  elaboration[sizeof elaboration - 1] = '\0';
  if (elaboration[0]) {
    if (!writer.empty()) writer.append("\n\n");
    writer.append(elaboration);
  }
  if (code) *code = primary;

  if (bufferSize != 0) return 0;
  return (primary != 0 || !writer.empty()) ? static_cast<int32_t>(writer.used() + 1) : 0;
}

}  // namespace miivi
