// Binding to the optional I/O trace logger "libSnooprLog.so": the library is
// loaded on first use, at most once per process, and each wrapper calls its
// entry point or, when the logger or the entry is missing, does nothing.
#pragma once

#include <cstdint>

namespace iotracetools {

// The mode flag seen when no logger is bound: always 0, so tracing is off.
extern int32_t gTraceOffFlag;

// Null when not recording.
void* SnooprGetCookie(int32_t apiType, int32_t functionId, int32_t flags, const char* functionName);
void SnooprSetParamElementSize_generic(void* cookie, int32_t index, const void* data,
                                       int32_t elementSize, int64_t totalSize, const char* name,
                                       int32_t typeCode);
void SnooprEndParams(void* cookie, int32_t count);
void SnooprSetReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                        int32_t elementSize, int64_t totalSize, const char* name,
                                        int32_t typeCode);
void SnooprSetFuncReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                            int32_t elementSize, int64_t totalSize,
                                            const char* name, int32_t typeCode, int32_t succeeded);
void SnooprEndReturns(void** cookiePointer, int32_t count);
void SnooprFreeCookie(void* cookie);
// The logger's mode flag, or &gTraceOffFlag without a logger.
int32_t* SnooprModeLocation();

}  // namespace iotracetools
