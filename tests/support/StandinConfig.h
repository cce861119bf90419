// Configuration of the service and engine stand-ins for one test program,
// written before the program's first open.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace testing_support {

// A real device of the PAL family, as the service stand-in lists it.
inline constexpr const char* kPalDevice =
    "device PXI1Slot2\n  int32 0x1024000 1\n  uint32 0x1005000 0x700B\n"
    "  string 0x1007000 01ABCDEF\n  bool 0x1009000 0\n";

// An IVI logical name for that device whose configured option string asks
// for a debug session (the engine stand-in's format).
inline constexpr const char* kDebugLogicalName =
    "[LogicalName DebugFgen]\n"
    "ResourceName = PXI1Slot2\n"
    "OptionString = DriverSetup=DebugSession:1\n";

// Writes `text` to a file of the test's temporary directory and names it in
// the stand-in's environment variable ("VOSYSAPI_STANDIN_CONFIG",
// "IVI_STANDIN_CONFIG").
inline bool configureStandin(const char* variable, const std::string& fileName,
                             const std::string& text) {
  const std::string path = ::testing::TempDir() + fileName;
  std::ofstream(path, std::ios::trunc) << text;
  return setenv(variable, path.c_str(), 1) == 0;
}

}  // namespace testing_support
