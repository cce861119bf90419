// The Ymber, gRPC and server forms of opening a session: the language each
// takes, the plugin entry it calls and what it registers. This program plays
// a host that names its language, as the graphical environment does.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "RecordingPlugin.h"
#include "StandinConfig.h"
#include "ivi/IviWrapper.h"
#include "sessions/LanguageAccessor.h"
#include "sessions/SessionRegistry.h"
#include "telemetry/UsageTelemetry.h"
#include "tovik/tovik_internal.h"
#include "vosysapi_standin.h"

namespace {

const char* gHostLanguage = "";

}  // namespace

extern "C" {

void GetLangStr(unsigned char* buffer) {
  const size_t length = std::strlen(gHostLanguage);
  buffer[0] = static_cast<unsigned char>(length);
  std::memcpy(buffer + 1, gHostLanguage, length);
}

int32_t PStrCmp(const unsigned char* left, const unsigned char* right) {
  if (left[0] != right[0]) return left[0] < right[0] ? -1 : 1;
  return std::memcmp(left + 1, right + 1, left[0]);
}

}  // extern "C"

namespace {

const bool inventoryWritten = testing_support::configureStandin(
    "VOSYSAPI_STANDIN_CONFIG", "host_session_test.conf", testing_support::kPalDevice);

const RecordingPluginControl* plugin(const char* file) { return RecordingPlugin_find(file); }

RecordingPluginCall lastCall(const RecordingPluginControl* control) {
  RecordingPluginCall call{};
  EXPECT_EQ(control->getCall(control->callCount() - 1, &call), 0);
  return call;
}

std::string textAt(const RecordingPluginCall& call, int index) {
  const char* text = reinterpret_cast<const char*>(call.args[index].bits);
  return text ? text : "(null)";
}

int32_t defaultLanguage() { return miivi::languageAccessor().getLanguage(miivi::IviWrapper(0)); }

class HostSession : public ::testing::Test {
 protected:
  void TearDown() override { gHostLanguage = ""; }
  char description_[256] = {};
};

TEST_F(HostSession, TheYmberFormsStartFromTheHostLanguage) {
  using Open = std::function<ViStatus(ViSession*, char*)>;
  struct Case {
    const char* name;
    const char* host;
    Open open;
    int32_t language;
    bool fromYm;
  };
  const Case cases[] = {
      {"YM init", "German",
       [](ViSession* vi, char* d) { return YM_tovik_init("PXI1Slot2", VI_FALSE, VI_FALSE, vi, 256, d); },
       2, true},
      {"YM InitExtCal", "Japanese",
       [](ViSession* vi, char* d) { return YM_tovik_InitExtCal("PXI1Slot2", "pw", vi, 256, d); }, 3,
       true},
      {"YM InitWithOptions naming a language", "German",
       [](ViSession* vi, char* d) {
         return YM_tovik_InitWithOptions("PXI1Slot2", VI_FALSE, VI_FALSE,
                                         "DriverSetup=Language:fr", vi, 256, d);
       },
       1, true},
      {"YM InitializeWithChannels naming none", "German",
       [](ViSession* vi, char* d) {
         return YM_tovik_InitializeWithChannels("PXI1Slot2", "0", VI_FALSE, nullptr, vi, 256, d);
       },
       2, true},
      {"gRPC initialize naming a language", "French",
       [](ViSession* vi, char* d) {
         return YM_tovik_InitializeWithChannelsForGrpcSession(
             "PXI1Slot2", "0", VI_FALSE, "DriverSetup=Language:ko", "s", "host", 1, vi, 256, d);
       },
       4, true},
      {"gRPC attach", "ChineseS",
       [](ViSession* vi, char* d) { return YM_tovik_AttachGrpcSession("s", "host", 1, vi, 256, d); },
       5, true},
      {"an unknown host language", "Klingon",
       [](ViSession* vi, char* d) { return YM_tovik_init("PXI1Slot2", VI_FALSE, VI_FALSE, vi, 256, d); },
       0, true},
      {"the plain form ignores the host", "German",
       [](ViSession* vi, char*) {
         return tovik_InitWithOptions("PXI1Slot2", VI_FALSE, VI_FALSE, "", vi);
       },
       0, false},
      {"the server form ignores the host", "German",
       [](ViSession* vi, char*) {
         return InitializeSessionForServer("PXI1Slot2", VI_FALSE, VI_FALSE,
                                           "DriverSetup=Language:jp", "", vi);
       },
       3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gHostLanguage = c.host;
    ViSession vi = 0;
    ASSERT_EQ(c.open(&vi, description_), 0);
    miivi::SessionReference session = miivi::sessionRegistry().lookup(vi);
    EXPECT_EQ(session->language(), c.language);
    EXPECT_EQ(defaultLanguage(), c.language);
    EXPECT_EQ(session->openedFromYm(), c.fromYm ? 1 : 0);
    telemetry::SessionLogger* logger = session->telemetryLogger();
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(logger->count(telemetry::Event::kGraphicalEnvironment),
              c.fromYm && logger->recording() ? 1u : 0u);
    session = {};
    EXPECT_EQ(tovik_close(vi), 0);
  }
}

TEST_F(HostSession, TheGrpcFormsUseTheGrpcPluginAndTheServerSessionName) {
  VosysStandin_reset();
  ViSession vi = 0;
  ASSERT_EQ(YM_tovik_InitializeWithChannelsForGrpcSession("PXI1Slot2", "0,1", VI_TRUE, nullptr,
                                                          "bench-7", "10.0.0.2", 50051, &vi,
                                                          sizeof description_, description_),
            0);
  const RecordingPluginControl* grpc = plugin("libtovikgrpc.so");
  ASSERT_NE(grpc, nullptr);
  grpc->setNextHandle(RECORDING_PLUGIN_FRESH_HANDLES);  // three sessions at once below
  const int plainCloses = grpc->countOf("main.close");
  RecordingPluginCall call = lastCall(grpc);
  EXPECT_STREQ(call.entry, "ym.InitializeWithChannelsForGrpcSession");
  ASSERT_EQ(call.argCount, 10u);
  EXPECT_EQ(textAt(call, 0), "PXI1Slot2");
  EXPECT_EQ(textAt(call, 1), "0,1");
  EXPECT_EQ(call.args[2].bits, static_cast<uint64_t>(VI_TRUE));
  EXPECT_EQ(textAt(call, 3), "");  // a null option string arrives as ""
  EXPECT_EQ(textAt(call, 4), "bench-7");
  EXPECT_EQ(textAt(call, 5), "10.0.0.2");
  EXPECT_EQ(call.args[6].bits, 50051u);
  EXPECT_EQ(call.args[6].width, 4u);
  EXPECT_EQ(call.args[8].bits, sizeof description_);
  EXPECT_EQ(call.args[9].bits, reinterpret_cast<uint64_t>(description_));
  // No option-string record, no resolution: the service is never searched.
  EXPECT_EQ(VosysStandin_callCount("findHardware"), 0u);
  EXPECT_EQ(miivi::sessionRegistry().lookup(vi)->resourceName(), "bench-7");

  ViSession attached = 0;
  ASSERT_EQ(YM_tovik_AttachGrpcSession("bench-8", "10.0.0.2", 50052, &attached, 0, nullptr), 0);
  call = lastCall(grpc);
  EXPECT_STREQ(call.entry, "ym.AttachGrpcSession");
  EXPECT_EQ(call.argCount, 6u);
  EXPECT_EQ(miivi::sessionRegistry().lookup(attached)->resourceName(), "bench-8");

  // Without a server session name the session has no name, whatever the resource.
  ViSession unnamed = 0;
  ASSERT_EQ(YM_tovik_InitializeWithChannelsForGrpcSession("PXI1Slot2", "0", VI_FALSE, "", nullptr,
                                                          nullptr, 0, &unnamed, 0, nullptr),
            0);
  EXPECT_EQ(miivi::sessionRegistry().lookup(unnamed)->resourceName(), "");

  for (ViSession handle : {vi, attached, unnamed}) {
    EXPECT_EQ(YM_tovik_DetachGrpcSession(handle, sizeof description_, description_), 0);
    call = lastCall(grpc);
    EXPECT_STREQ(call.entry, "ym.DetachGrpcSession");
    EXPECT_EQ(call.args[0].bits, handle);
    EXPECT_FALSE(miivi::sessionRegistry().find(handle));
  }
  EXPECT_EQ(grpc->countOf("main.close"), plainCloses);
  EXPECT_EQ(VosysStandin_callCount("findHardware"), 0u);
}

}  // namespace
