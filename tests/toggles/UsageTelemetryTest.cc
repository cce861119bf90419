// Usage telemetry follows the "CEIP" toggle where loggers are created: a
// session opened with the toggle off gets an inert logger, one opened with
// it on counts its reported calls. The fixed settings path is bound to this
// program's fixture directory in a private mount namespace.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "AllocationCounter.h"
#include "sessions/SessionRegistry.h"
#include "telemetry/UsageTelemetry.h"
#include "toggles/RuntimeFeatureToggles.h"
#include "tovik/tovik_internal.h"

namespace {

using telemetry::Event;

const std::string kSettingsFile = "/var/local/velmora/systemsettings/tovik_features.ini";

void setCeip(bool enabled) {
  if (enabled) {
    std::remove(kSettingsFile.c_str());  // the default
  } else {
    std::ofstream(kSettingsFile, std::ios::trunc) << "[tovikCEIP]\nValue=False\n";
  }
  tovikfeaturetoggles::featureToggles().reload();
}

ViSession openSimulated() {
  ViSession vi = 0;
  EXPECT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, "Simulate=1,DriverSetup=BoardType:PCI",
                                  &vi),
            0);
  return vi;
}

telemetry::SessionLogger* loggerOf(ViSession vi) {
  miivi::SessionReference session = miivi::sessionRegistry().find(vi);
  return session ? session->telemetryLogger() : nullptr;
}

class UsageTelemetry : public ::testing::Test {
 protected:
  void TearDown() override { setCeip(true); }
};

// Runs first, so the process logger is chosen with the toggle at its default.
TEST_F(UsageTelemetry, TheProcessLoggerCountsPluginLoadsAndTheEnvironment) {
  setCeip(true);
  telemetry::SessionLogger& process = telemetry::processLogger();
  ASSERT_TRUE(process.recording());
  const ViSession vi = openSimulated();
  EXPECT_EQ(process.count(Event::kPluginLoaded), 1u);
  EXPECT_EQ(tovik_SetRuntimeEnvironment("Ymber", "2024"), 0);
  EXPECT_EQ(tovik_SetRuntimeEnvironment(nullptr, nullptr), 0);
  EXPECT_EQ(process.count(Event::kRuntimeEnvironment), 2u);
  EXPECT_EQ(tovik_close(vi), 0);
}

TEST_F(UsageTelemetry, ASessionOpenedWithTheToggleOnCountsItsReportedCalls) {
  setCeip(true);
  const ViSession vi = openSimulated();
  telemetry::SessionLogger* logger = loggerOf(vi);
  ASSERT_NE(logger, nullptr);
  ASSERT_TRUE(logger->recording());
  EXPECT_EQ(logger->count(Event::kSessionOpened), 1u);

  EXPECT_EQ(tovik_SetAttributeViInt32(vi, "", 1250001, 3), 0);
  EXPECT_EQ(tovik_SetAttributeViBoolean(vi, "", 1250002, VI_TRUE), 0);
  EXPECT_EQ(tovik_ImportAttributeConfigurationFile(vi, "settings.cfg"), 0);
  EXPECT_EQ(tovik_ConfigureFrequency(vi, "0", 1e6), 0);  // not a reported call
  EXPECT_EQ(logger->count(Event::kAttributeSet), 2u);
  EXPECT_EQ(logger->count(Event::kFunctionInvoked), 1u);

  // Reporting costs the call no allocation.
  const long before = testing_support::allocations;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(tovik_SetAttributeViInt32(vi, "", 1250001, i), 0);
  EXPECT_EQ(testing_support::allocations - before, 0);
  EXPECT_EQ(logger->count(Event::kAttributeSet), 102u);

  // The toggle decides when a logger is made, not afterwards.
  setCeip(false);
  EXPECT_EQ(tovik_SetAttributeViInt32(vi, "", 1250001, 4), 0);
  EXPECT_EQ(logger->count(Event::kAttributeSet), 103u);
  EXPECT_EQ(tovik_close(vi), 0);
}

TEST_F(UsageTelemetry, ASessionOpenedWithTheToggleOffGetsAnInertLogger) {
  setCeip(false);
  EXPECT_FALSE(telemetry::usageTelemetryEnabled());
  EXPECT_FALSE(telemetry::createSessionLogger()->recording());
  const ViSession vi = openSimulated();
  telemetry::SessionLogger* logger = loggerOf(vi);
  ASSERT_NE(logger, nullptr);
  EXPECT_FALSE(logger->recording());
  EXPECT_EQ(tovik_SetAttributeViInt32(vi, "", 1250001, 3), 0);
  EXPECT_EQ(tovik_ExportAttributeConfigurationFile(vi, "settings.cfg"), 0);
  for (Event event : {Event::kSessionOpened, Event::kAttributeSet, Event::kFunctionInvoked}) {
    EXPECT_EQ(logger->count(event), 0u);
  }
  EXPECT_EQ(tovik_close(vi), 0);

  setCeip(true);
  EXPECT_TRUE(telemetry::createSessionLogger()->recording());
}

}  // namespace
