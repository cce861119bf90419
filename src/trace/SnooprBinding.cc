#include "trace/SnooprBinding.h"

#include <dlfcn.h>

#include "SnooprLog.h"

namespace iotracetools {

int32_t gTraceOffFlag = 0;

namespace {

// The logger's entry points as the platform declares them.
using GetCookieFn = decltype(&::SnooprGetCookie);
using SetElementFn = decltype(&::SnooprSetParamElementSize_generic);
using EndParamsFn = decltype(&::SnooprEndParams);
using SetFuncReturnFn = decltype(&::SnooprSetFuncReturnElementSize_generic);
using EndReturnsFn = decltype(&::SnooprEndReturns);
using FreeCookieFn = decltype(&::SnooprFreeCookie);
using ModeLocationFn = decltype(&::SnooprModeLocation);

struct SnooprBinding {
  void* handle = nullptr;
  GetCookieFn getCookie = nullptr;
  SetElementFn setParam = nullptr;
  EndParamsFn endParams = nullptr;
  SetElementFn setReturn = nullptr;
  SetFuncReturnFn setFuncReturn = nullptr;
  EndReturnsFn endReturns = nullptr;
  FreeCookieFn freeCookie = nullptr;
  ModeLocationFn modeLocation = nullptr;
};

template <typename Fn>
void resolve(void* handle, const char* symbol, Fn& entry) {
  entry = reinterpret_cast<Fn>(dlsym(handle, symbol));
}

// The library stays loaded until the process ends.
SnooprBinding loadLogger() {
  SnooprBinding binding;
  binding.handle = dlopen("libSnooprLog.so", RTLD_NOW);
  if (binding.handle == nullptr) {
    return binding;
  }
  resolve(binding.handle, "SnooprGetCookie", binding.getCookie);
  resolve(binding.handle, "SnooprSetParamElementSize_generic", binding.setParam);
  resolve(binding.handle, "SnooprEndParams", binding.endParams);
  resolve(binding.handle, "SnooprSetReturnElementSize_generic", binding.setReturn);
  resolve(binding.handle, "SnooprSetFuncReturnElementSize_generic", binding.setFuncReturn);
  resolve(binding.handle, "SnooprEndReturns", binding.endReturns);
  resolve(binding.handle, "SnooprFreeCookie", binding.freeCookie);
  resolve(binding.handle, "SnooprModeLocation", binding.modeLocation);
  if (binding.freeCookie == nullptr) {
    // A record that can never be freed would leak on every call.
    binding.getCookie = nullptr;
  }
  return binding;
}

// The one load attempt: the static's guard is the "attempted" flag, which
// also makes a first use from several threads at once load only once.
const SnooprBinding& binding() {
  static const SnooprBinding loaded = loadLogger();
  return loaded;
}

}  // namespace

void* SnooprGetCookie(int32_t apiType, int32_t functionId, int32_t flags,
                      const char* functionName) {
  const GetCookieFn entry = binding().getCookie;
  return entry != nullptr ? entry(apiType, functionId, flags, functionName) : nullptr;
}

void SnooprSetParamElementSize_generic(void* cookie, int32_t index, const void* data,
                                       int32_t elementSize, int64_t totalSize, const char* name,
                                       int32_t typeCode) {
  if (const SetElementFn entry = binding().setParam) {
    entry(cookie, index, data, elementSize, totalSize, name, typeCode);
  }
}

void SnooprEndParams(void* cookie, int32_t count) {
  if (const EndParamsFn entry = binding().endParams) {
    entry(cookie, count);
  }
}

void SnooprSetReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                        int32_t elementSize, int64_t totalSize, const char* name,
                                        int32_t typeCode) {
  if (const SetElementFn entry = binding().setReturn) {
    entry(cookie, index, data, elementSize, totalSize, name, typeCode);
  }
}

void SnooprSetFuncReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                            int32_t elementSize, int64_t totalSize,
                                            const char* name, int32_t typeCode, int32_t succeeded) {
  if (const SetFuncReturnFn entry = binding().setFuncReturn) {
    entry(cookie, index, data, elementSize, totalSize, name, typeCode, succeeded);
  }
}

void SnooprEndReturns(void** cookiePointer, int32_t count) {
  if (const EndReturnsFn entry = binding().endReturns) {
    entry(cookiePointer, count);
  }
}

void SnooprFreeCookie(void* cookie) {
  if (const FreeCookieFn entry = binding().freeCookie) {
    entry(cookie);
  }
}

int32_t* SnooprModeLocation() {
  const ModeLocationFn entry = binding().modeLocation;
  int32_t* location = entry != nullptr ? entry() : nullptr;
  return location != nullptr ? location : &gTraceOffFlag;
}

}  // namespace iotracetools
