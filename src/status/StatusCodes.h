// The status codes the library raises itself, each with its constant text.
#pragma once

#include <cstdint>

namespace voerr {

// A code together with the source text recorded as "error_constant".
struct StatusConstant {
  int32_t code;
  const char* text;
};

namespace codes {

constexpr int32_t kIviErrorBase = static_cast<int32_t>(0xBFFA0000u);

constexpr StatusConstant kFunctionNotSupported{kIviErrorBase + 0x11,
                                               "(((-2147483647L-1) + 0x3FFA0000L) + 0x11)"};
constexpr StatusConstant kInvalidSessionHandle{static_cast<int32_t>(0xBFFA1190u),
                                               "ivierrors::ERR_INVALID_SESSION_HANDLE"};
// 0xBFFA004C has two spellings: the DriverSetup parsers name the IVI
// constant, the plugin resolver spells out the arithmetic.
constexpr StatusConstant kBadOptionValue{kIviErrorBase + 0x4C, "ivierrors::ERR_BAD_OPTION_VALUE"};
constexpr StatusConstant kBadOptionValueResolver{kIviErrorBase + 0x4C,
                                                 "(((-2147483647L-1) + 0x3FFA0000L) + 0x4C)"};
constexpr StatusConstant kNullPointer{kIviErrorBase + 0x58,
                                      "(((-2147483647L-1) + 0x3FFA0000L) + 0x58)"};
constexpr StatusConstant kNoPluginInstalled{kIviErrorBase + 0x60,
                                            "(((-2147483647L-1) + 0x3FFA0000L) + 0x60)"};
constexpr StatusConstant kAmbiguousResourceName{static_cast<int32_t>(0xBFFA9175u),
                                                "vomxl::kErrorAmbiguousResourceName"};
constexpr StatusConstant kInvalidDriverSetupString{
    static_cast<int32_t>(0xBFFA8CF0u), "tessel::errors::kErrorInvalidDriverSetupString"};
constexpr StatusConstant kValuesMustBeIdentical{static_cast<int32_t>(0xBFFA8CF3u),
                                                "tessel::errors::kErrorValuesMustBeIdentical"};
constexpr StatusConstant kOutOfMemory{kIviErrorBase + 0x56, "Errors::outOfMemoryError"};
constexpr StatusConstant kInternalSoftwareError{kIviErrorBase + 0x00,
                                                "Errors::internalSoftwareError"};

// Platform codes (the platform primitives, dynamic libraries, translation).
constexpr StatusConstant kMemoryFull{-52000, "voapalerr_memoryFull"};
constexpr StatusConstant kUnsupported{-52002, nullptr};
constexpr StatusConstant kSoftwareFault{-52003, "voapalerr_softwareFaultAPALInternalUseOnly"};
constexpr StatusConstant kInvalidParameter{-52005, "voapalerr_invalidParameter"};
constexpr StatusConstant kResourceNotFound{-52006, "voapalerr_resourceNotFound"};
constexpr StatusConstant kOsFault{-52008, "voapalerr_osFault"};
constexpr StatusConstant kMultibyteConversion{-52027, nullptr};

}  // namespace codes

// The component every raise site of this library names.
constexpr const char* kComponent = "tovik";
// The translator that renders the library's user-facing reports.
constexpr const char* kTranslatorName = "mxlator_tovik";

}  // namespace voerr
