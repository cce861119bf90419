// The capture files of InitiateGeneration.
#pragma once

#include <string>

#include "Call.h"

namespace sim {

// The environment variable naming the capture folder; unset or empty: no
// capture.
constexpr const char* kCaptureDirVariable = "TOVIK_SIM_CAPTURE_DIR";
// Points written per enabled channel.
constexpr size_t kCaptureSamples = 1000;

// "tovik_sim_<vi>_channel<name>.csv"
std::string captureFileName(ViSession vi, const std::string& channel);

// Writes the capture of every enabled channel when a folder is named; a
// file that cannot be written makes a recorded warning.
ViStatus writeCapture(const Call& call);

}  // namespace sim
