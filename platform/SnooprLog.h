/* The I/O trace logger libSnooprLog.so, optional: drivers that find it open
 * one record per API call, add the call's parameters and returns, and end
 * it; the logger writes the record. Nothing is recorded while the mode flag
 * is 0. Every entry point accepts a null record and then does nothing.
 * A driver loads the logger on first use and resolves these entry points
 * by name. */
#ifndef SNOOPR_LOG_H
#define SNOOPR_LOG_H

#include <stdint.h>

#define SNOOPR_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Opens a record; null while the mode flag is 0 or when out of memory. */
SNOOPR_EXPORT void* SnooprGetCookie(int32_t apiType, int32_t functionId, int32_t flags,
                                    const char* functionName);

/* Adds parameter `index`: `totalSize` bytes at `data` of elements of
 * `elementSize` bytes, with type code `typeCode`. */
SNOOPR_EXPORT void SnooprSetParamElementSize_generic(void* cookie, int32_t index, const void* data,
                                                     int32_t elementSize, int64_t totalSize,
                                                     const char* name, int32_t typeCode);

/* Records the number of parameters the caller logged. */
SNOOPR_EXPORT void SnooprEndParams(void* cookie, int32_t count);

/* Adds return value `index`, like the parameter setter. */
SNOOPR_EXPORT void SnooprSetReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                                      int32_t elementSize, int64_t totalSize,
                                                      const char* name, int32_t typeCode);

/* Adds the function's own return with its success flag. */
SNOOPR_EXPORT void SnooprSetFuncReturnElementSize_generic(void* cookie, int32_t index,
                                                          const void* data, int32_t elementSize,
                                                          int64_t totalSize, const char* name,
                                                          int32_t typeCode, int32_t succeeded);

/* Records the number of returns and writes the record. The record stays
 * allocated until SnooprFreeCookie. */
SNOOPR_EXPORT void SnooprEndReturns(void** cookiePointer, int32_t count);

/* Writes the record if that has not happened yet, then frees it. */
SNOOPR_EXPORT void SnooprFreeCookie(void* cookie);

/* Address of the mode flag (0 off, anything else on). */
SNOOPR_EXPORT int32_t* SnooprModeLocation(void);

#ifdef __cplusplus
}
#endif

#endif
