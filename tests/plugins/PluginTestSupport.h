// Helpers of the plugin tests: thrown statuses and the recording plugins'
// control blocks.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../driversetup/ThrownStatus.h"
#include "RecordingPlugin.h"

namespace plugins_test {

using driversetup_test::Thrown;
using driversetup_test::thrownBy;

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The control block of a recording plugin library. `flags` RTLD_NOLOAD finds
// one the process loaded already (by the name it was loaded under).
inline const RecordingPluginControl* recordingControl(const char* library,
                                                      int flags = RTLD_NOW | RTLD_NOLOAD) {
  void* handle = dlopen(library, flags);
  if (!handle) {
    ADD_FAILURE() << "cannot open " << library << ": " << dlerror();
    return nullptr;
  }
  auto get = reinterpret_cast<RecordingPluginControlFunction>(
      dlsym(handle, RECORDING_PLUGIN_CONTROL_SYMBOL));
  if (!get) {
    ADD_FAILURE() << library << " has no " << RECORDING_PLUGIN_CONTROL_SYMBOL;
    return nullptr;
  }
  return get();
}

inline std::vector<RecordingPluginCall> callLog(const RecordingPluginControl& control) {
  std::vector<RecordingPluginCall> calls(control.callCount());
  for (size_t index = 0; index < calls.size(); ++index) {
    control.getCall(static_cast<int>(index), &calls[index]);
  }
  return calls;
}

// Entry names of the log, in call order.
inline std::vector<std::string> callNames(const RecordingPluginControl& control) {
  std::vector<std::string> names;
  for (const RecordingPluginCall& call : callLog(control)) {
    names.emplace_back(call.entry);
  }
  return names;
}

}  // namespace plugins_test
