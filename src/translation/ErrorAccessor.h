// Status codes and the engine's pending error information as text.
#pragma once

#include <cstdint>

#include "tovik/tovik_vitypes.h"
#include "translation/MxlWrapper.h"

namespace miivi {

class IviWrapperInterface;
class IviWrapperFactoryInterface;

class ErrorAccessorInterface {
 public:
  virtual ~ErrorAccessorInterface() = default;
  // Describes `code` into a 256-byte buffer (nothing for code 0).
  virtual void getErrorMessage(int32_t language, ViStatus code, ViChar* buffer,
                               uint32_t flags) = 0;
  // Describes the pending error of the binding's session and clears it when
  // a buffer is filled. Size 0 asks for the needed size; a negative size
  // writes without a limit.
  virtual int32_t getError(int32_t language, IviWrapperInterface& binding,
                           bool skipParameterCodes, ViStatus* code, int32_t bufferSize,
                           ViChar* buffer, uint32_t flags) = 0;
  // getError for session 0, keeping the text only when the pending primary
  // code is `expectedCode`. Never throws.
  virtual void getErrorIfCode(int32_t language, IviWrapperFactoryInterface& factory,
                              ViStatus expectedCode, int32_t bufferSize, ViChar* buffer,
                              uint32_t flags) = 0;
  // getError without clearing anything.
  virtual int32_t peekError(int32_t language, IviWrapperInterface& binding,
                            bool skipParameterCodes, ViStatus* code, int32_t bufferSize,
                            ViChar* buffer, uint32_t flags) = 0;
};

class ErrorAccessor final : public ErrorAccessorInterface {
 public:
  explicit ErrorAccessor(const MxlWrapper& translator) : translator_(&translator) {}
  void getErrorMessage(int32_t language, ViStatus code, ViChar* buffer, uint32_t flags) override;
  int32_t getError(int32_t language, IviWrapperInterface& binding, bool skipParameterCodes,
                   ViStatus* code, int32_t bufferSize, ViChar* buffer, uint32_t flags) override;
  void getErrorIfCode(int32_t language, IviWrapperFactoryInterface& factory, ViStatus expectedCode,
                      int32_t bufferSize, ViChar* buffer, uint32_t flags) override;
  int32_t peekError(int32_t language, IviWrapperInterface& binding, bool skipParameterCodes,
                    ViStatus* code, int32_t bufferSize, ViChar* buffer, uint32_t flags) override;

 private:
  int32_t readError(int32_t language, IviWrapperInterface& binding, bool skipParameterCodes,
                    ViStatus* code, int32_t bufferSize, ViChar* buffer, uint32_t flags,
                    bool clear);
  const MxlWrapper* translator_;
};

}  // namespace miivi
