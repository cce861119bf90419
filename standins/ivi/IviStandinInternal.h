// Internals of the IVI engine stand-in shared by its hand-written and its
// generated sources.
#pragma once

#include <cstddef>
#include <string>

#include "ivi_engine.h"

namespace ivistandin {

// Who may write an engine attribute (see tables/ivi_engine.table).
enum class Access { kRw, kDriver, kRo };

struct EngineAttribute {
  ViAttr id;
  ViInt32 type;
  const char* name;
  Access access;
  const char* optionKey;     // the option-string key that sets it, or null
  const char* defaultValue;  // initial value as text, or null
};

extern const EngineAttribute kEngineAttributes[];
extern const size_t kEngineAttributeCount;
const EngineAttribute* findEngineAttribute(ViAttr id);

struct StatusMessage {
  ViStatus code;
  const char* name;
  const char* message;
};

extern const StatusMessage kStatusMessages[];
extern const size_t kStatusMessageCount;

// Records `code` as the error information of `vi` (and of the calling
// thread), without overwriting an earlier error, and returns it.
ViStatus fail(ViSession vi, ViStatus code, ViStatus secondary, const std::string& elaboration);

// IVI_ERROR_FUNCTION_NOT_SUPPORTED for a function the stand-in lacks.
ViStatus unsupported(ViSession vi, const char* function);

// Hands out a status injected with IviStandin_InjectStatus for `function`,
// remembering the session the call received.
bool takeInjected(const char* function, ViSession session, ViStatus& status);

}  // namespace ivistandin

// First statement of every stand-in function that returns a status: names
// the engine function `function` (lambdas would see their own __func__)
// and returns an injected status when there is one.
#define IVISTANDIN_ENTRY(session)                                               \
  [[maybe_unused]] const char* const function = __func__;                       \
  if (ViStatus injected_; ::ivistandin::takeInjected(function, (session), injected_)) \
  return injected_
