// Usage-telemetry reports made by the frames of a few exports.
#pragma once

#include <cstdint>

#include "tovik/tovik_vitypes.h"

namespace api {

// Each looks the session up and reports to its logger; an unknown handle
// skips the report (the call itself then fails with the bad handle).
void reportFunctionInvoked(ViSession vi, const char* exportName);
void reportAttributeSet(ViSession vi, ViAttr attributeId, int64_t value);

// Clears the calling thread's pending engine error (the Ymber calls start
// clean so their description is their own).
void clearThreadError();

// Fills a Ymber caller's description buffer with the thread's pending error.
void describeForYm(ViInt32 bufferSize, ViChar* buffer);

}  // namespace api
