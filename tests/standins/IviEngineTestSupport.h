// Shared helpers of the IVI engine stand-in's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "IviStandin.h"

namespace ivitest {

struct ErrorRecord {
  ViStatus primary = 0;
  ViStatus secondary = 0;
  std::string elaboration;
};

// The error information of `vi` (0: the calling thread's), read through the
// attributes so that nothing is cleared.
inline ErrorRecord peekErrorInfo(ViSession vi) {
  ErrorRecord record;
  char elaboration[IVI_MAX_ERROR_ELABORATION_SIZE] = {};
  EXPECT_EQ(Ivi_GetAttributeViInt32(vi, nullptr, IVI_ATTR_PRIMARY_ERROR, 0, &record.primary), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViInt32(vi, nullptr, IVI_ATTR_SECONDARY_ERROR, 0, &record.secondary), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViString(vi, nullptr, IVI_ATTR_ERROR_ELABORATION, 0, sizeof elaboration, elaboration),
            VI_SUCCESS);
  record.elaboration = elaboration;
  return record;
}

inline ViSession openSession(const char* options) {
  ViSession vi = 0;
  EXPECT_EQ(Ivi_SpecificDriverNew("tovik", options, &vi), VI_SUCCESS) << (options ? options : "(null)");
  return vi;
}

inline std::string driverSetupOf(ViSession vi) {
  char value[1024] = {};
  EXPECT_EQ(Ivi_GetAttributeViString(vi, "", IVI_ATTR_DRIVER_SETUP, 0, sizeof value, value), VI_SUCCESS);
  return value;
}

// Every test starts and ends with a clean engine.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { IviStandin_Reset(); }
  void TearDown() override { IviStandin_Reset(); }
};

}  // namespace ivitest
