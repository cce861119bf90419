// What the tests through the shipped library share: a simulated session
// served by the PAL recording plugin.
#pragma once

#include "RecordingPlugin.h"
#include "tovik/tovik.h"

namespace e2e {

constexpr const char* kSimulated = "Simulate=1,DriverSetup=Model:GE";

inline ViStatus openSimulated(ViSession* vi) {
  return tovik_InitWithOptions("", VI_FALSE, VI_FALSE, kSimulated, vi);
}

// Opens and closes one session, so the library has loaded the PAL plugin,
// and returns that plugin's control; null when something failed.
inline const RecordingPluginControl* loadPal() {
  ViSession vi = 0;
  if (openSimulated(&vi) != 0 || tovik_close(vi) != 0) return nullptr;
  return RecordingPlugin_find("libtovikpal.so");
}

}  // namespace e2e
