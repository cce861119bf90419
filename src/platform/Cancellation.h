// Thread cancellation (pthread_cancel, pthread_exit) unwinds the stack with
// the exception abi::__forced_unwind. A handler that swallows everything
// must let it pass, or the runtime aborts the process; and nothing on its
// way may be noexcept. Write a swallowing handler as
//   try { ... } TOVIK_LET_CANCELLATION_PASS catch (...) { ... }
// in a function marked TOVIK_HANDLES_CANCELLATION.
#pragma once

#include <cxxabi.h>

#define TOVIK_LET_CANCELLATION_PASS \
  catch (const abi::__forced_unwind&) { throw; }

// The forced unwind carries no C++ object, so binding the handler's
// reference trips UndefinedBehaviorSanitizer's null check although nothing
// is read through it.
#define TOVIK_HANDLES_CANCELLATION __attribute__((no_sanitize("null")))
