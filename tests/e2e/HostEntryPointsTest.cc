// The Ymber, server and host entry points through the shipped library, with
// the recording plugins showing which entry ran with which arguments and
// which did not run at all, and the build's error files describing errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "RecordingPlugin.h"
#include "StandinConfig.h"
#include "status/StatusCodeCatalogue.h"
#include "tovik/tovik_internal.h"

namespace {

using ::testing::StartsWith;

constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
constexpr ViStatus kBadOptionValue = static_cast<ViStatus>(0xBFFA004Cu);
constexpr char kGuard = '\xAA';
constexpr const char* kDevice = "PXI1Slot2";  // testing_support::kPalDevice
constexpr const char* kSimulatedPal = "Simulate=1,DriverSetup=Model:GE";

const bool inventoryWritten =
    testing_support::configureStandin("VOSYSAPI_STANDIN_CONFIG", "host_entry_points_test.conf",
                                      testing_support::kPalDevice) &&
    testing_support::configureStandin("IVI_STANDIN_CONFIG", "host_entry_points_test.ivi.conf",
                                      testing_support::kDebugLogicalName);

const char* const kFamilyFiles[] = {"libtovikpal.so", "libvoGCtovikplugin.so",
                                    "libtovikremote.so", "libtovikgrpc.so"};

const RecordingPluginControl* pal() { return RecordingPlugin_find("libtovikpal.so"); }
const RecordingPluginControl* remote() { return RecordingPlugin_find("libtovikremote.so"); }

void resetPlugins() {
  for (const char* file : kFamilyFiles) {
    if (const RecordingPluginControl* control = RecordingPlugin_find(file)) control->reset();
  }
}

// How often `entry` ran in any loaded plugin since the last reset.
int callsOf(const char* entry) {
  int count = 0;
  for (const char* file : kFamilyFiles) {
    if (const RecordingPluginControl* control = RecordingPlugin_find(file)) {
      count += control->countOf(entry);
    }
  }
  return count;
}

std::vector<RecordingPluginCall> callsTo(const RecordingPluginControl* control, const char* entry) {
  std::vector<RecordingPluginCall> calls;
  for (int i = 0; i < control->callCount(); ++i) {
    RecordingPluginCall call{};
    if (control->getCall(i, &call) == 0 && std::strcmp(call.entry, entry) == 0) {
      calls.push_back(call);
    }
  }
  return calls;
}

std::vector<int32_t> indexesHeard(const RecordingPluginControl* control) {
  std::vector<int32_t> indexes;
  for (const RecordingPluginCall& call : callsTo(control, "threadstorage.SetYMRTTLSIndex")) {
    indexes.push_back(static_cast<int32_t>(call.args[0].bits));
  }
  return indexes;
}

std::string description(ViStatus code, int language = 0) {
  for (const voerr::StatusCodeRecord& record : voerr::kStatusCodeCatalogue) {
    if (record.code == code) return record.description[language];
  }
  return "<no description of " + std::to_string(code) + ">";
}

// The calling thread's pending error: its code, 0 when there is none.
ViStatus pendingCode() {
  ViStatus code = 0;
  return tovik_GetError(0, &code, 0, nullptr) > 0 ? code : 0;
}

void clearPending() {
  char text[4096];
  ViStatus code = 0;
  tovik_GetError(0, &code, sizeof text, text);
}

// How the library describes a code on handle 0, in the default language.
std::string describedOnHandleZero(ViStatus code) {
  char message[256] = {};
  EXPECT_EQ(tovik_error_message(0, code, message), 0);
  return message;
}

class HostEntryPoints : public ::testing::Test {
 protected:
  void SetUp() override {
    resetPlugins();
    clearPending();
  }
};

// Runs first: no hook call has been made when the first plugin loads.
TEST(ThreadStorageHook, ReachesPluginsLoadedBeforeAndAfterIt) {
  ViSession vi = 0;
  ASSERT_EQ(tovik_init(kDevice, VI_FALSE, VI_FALSE, &vi), 0);  // loads PAL
  ASSERT_NE(pal(), nullptr);
  EXPECT_EQ(indexesHeard(pal()), std::vector<int32_t>{-1});

  SetYMRTTLSIndexHook(42);
  EXPECT_EQ(indexesHeard(pal()), (std::vector<int32_t>{-1, 42}));

  ASSERT_EQ(remote(), nullptr);
  ASSERT_EQ(tovik_FreeServer(3), 0);  // loads Remote
  ASSERT_NE(remote(), nullptr);
  EXPECT_EQ(indexesHeard(remote()), std::vector<int32_t>{42});
  RecordingPluginCall first{};
  ASSERT_EQ(remote()->getCall(0, &first), 0);
  EXPECT_STREQ(first.entry, "threadstorage.SetYMRTTLSIndex");  // while it loads

  SetYMRTTLSIndexHook(-5);
  EXPECT_EQ(indexesHeard(pal()), (std::vector<int32_t>{-1, 42, -5}));
  EXPECT_EQ(indexesHeard(remote()), (std::vector<int32_t>{42, -5}));
  EXPECT_EQ(tovik_close(vi), 0);
}

TEST_F(HostEntryPoints, AFailedResolutionIsDescribedWithinTheCallersSize) {
  const std::string expected = description(kBadOptionValue);
  ASSERT_GT(expected.size(), 30u);
  constexpr size_t kWhole = std::string::npos;
  struct Case {
    ViInt32 size;
    size_t written;  // characters before the terminating zero
  };
  const Case cases[] = {{2, 1}, {30, 29}, {2048, kWhole}, {-1, kWhole}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    std::string buffer(4096, kGuard);
    ViSession vi = 0x5555;
    EXPECT_EQ(YM_tovik_init("NoSuchDevice", VI_FALSE, VI_FALSE, &vi, c.size, &buffer[0]),
              kBadOptionValue);
    EXPECT_EQ(vi, 0x5555u);
    const std::string text = buffer.c_str();
    if (c.written == kWhole) {
      EXPECT_THAT(text, StartsWith(expected));  // the whole description
      if (c.size > 0) {
        EXPECT_LT(text.size(), static_cast<size_t>(c.size));
      }
    } else {
      EXPECT_EQ(text, expected.substr(0, c.written));
    }
    const size_t end = c.size > 0 ? static_cast<size_t>(c.size) : text.size() + 1;
    EXPECT_TRUE(std::all_of(buffer.begin() + static_cast<long>(end), buffer.end(),
                            [](char b) { return b == kGuard; }));
    EXPECT_EQ(pendingCode(), 0);  // handed to the caller, so no longer pending
  }
  // Size 1 leaves no room for a character, and the description writer then
  // writes nothing at all; size 0 only asks, so the error stays pending.
  for (ViInt32 size : {1, 0}) {
    SCOPED_TRACE(size);
    std::string buffer(64, kGuard);
    ViSession vi = 0;
    EXPECT_EQ(YM_tovik_init("NoSuchDevice", VI_FALSE, VI_FALSE, &vi, size, &buffer[0]),
              kBadOptionValue);
    EXPECT_EQ(buffer, std::string(64, kGuard));
    EXPECT_EQ(pendingCode(), size == 0 ? kBadOptionValue : 0);
  }
  EXPECT_EQ(callsOf("ym.init"), 0);
}

TEST_F(HostEntryPoints, WithoutABufferTheErrorStaysPending) {
  ViSession vi = 0;
  EXPECT_EQ(YM_tovik_init("NoSuchDevice", VI_FALSE, VI_FALSE, &vi, 256, nullptr), kBadOptionValue);
  EXPECT_EQ(pendingCode(), kBadOptionValue);
  EXPECT_EQ(YM_tovik_close(0x4321, 256, nullptr), kInvalidSessionHandle);
  EXPECT_EQ(pendingCode(), kInvalidSessionHandle);
}

TEST_F(HostEntryPoints, APluginsOwnFailureKeepsItsOwnDescription) {
  ViSession vi = 0;
  ASSERT_EQ(tovik_init(kDevice, VI_FALSE, VI_FALSE, &vi), 0);
  ASSERT_EQ(tovik_close(vi), 0);
  pal()->reset();
  pal()->setResult("ym.init", -7);
  std::string buffer(256, kGuard);
  EXPECT_EQ(YM_tovik_init(kDevice, VI_TRUE, VI_FALSE, &vi, 200, &buffer[0]), -7);
  EXPECT_EQ(buffer, std::string(256, kGuard));  // the front end wrote nothing
  const std::vector<RecordingPluginCall> calls = callsTo(pal(), "ym.init");
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].argCount, 6u);
  EXPECT_EQ(calls[0].args[4].bits, 200u);
  EXPECT_EQ(calls[0].args[5].bits, reinterpret_cast<uint64_t>(&buffer[0]));
  EXPECT_EQ(tovik_reset(1), kInvalidSessionHandle);  // nothing registered
}

TEST_F(HostEntryPoints, ClosingAnUnknownHandleIsDescribedAndCallsNoPlugin) {
  using Close = std::function<ViStatus(ViInt32, char*)>;
  const std::pair<const char*, Close> cases[] = {
      {"YM close", [](ViInt32 size, char* text) { return YM_tovik_close(0x4321, size, text); }},
      {"YM CloseExtCal",
       [](ViInt32 size, char* text) { return YM_tovik_CloseExtCal(0x4321, 1, size, text); }},
      {"gRPC detach",
       [](ViInt32 size, char* text) { return YM_tovik_DetachGrpcSession(0, size, text); }},
  };
  for (const auto& [name, close] : cases) {
    SCOPED_TRACE(name);
    std::string buffer(512, kGuard);
    EXPECT_EQ(close(256, &buffer[0]), kInvalidSessionHandle);
    EXPECT_THAT(buffer.c_str(), StartsWith(description(kInvalidSessionHandle)));
    EXPECT_EQ(buffer[256], kGuard);
  }
  EXPECT_EQ(callsOf("ym.close") + callsOf("ym.CloseExtCal") + callsOf("ym.DetachGrpcSession") +
                callsOf("main.close"),
            0);
}

TEST_F(HostEntryPoints, TheYmberCallsStartByClearingThePendingError) {
  using Call = std::function<ViStatus(ViSession*)>;
  char text[256];
  struct Case {
    const char* name;
    Call open;
    Call close;
    bool clears;
  };
  const Case cases[] = {
      {"init and close",
       [&](ViSession* vi) { return YM_tovik_init(kDevice, VI_FALSE, VI_FALSE, vi, 256, text); },
       [&](ViSession* vi) { return YM_tovik_close(*vi, 256, text); }, true},
      {"InitWithOptions",
       [&](ViSession* vi) {
         return YM_tovik_InitWithOptions(kDevice, VI_FALSE, VI_FALSE, "", vi, 256, text);
       },
       [&](ViSession* vi) { return YM_tovik_close(*vi, 256, text); }, true},
      {"InitializeWithChannels",
       [&](ViSession* vi) {
         return YM_tovik_InitializeWithChannels(kDevice, "0", VI_FALSE, "", vi, 256, text);
       },
       [&](ViSession* vi) { return YM_tovik_close(*vi, 256, text); }, true},
      {"InitExtCal and CloseExtCal",
       [&](ViSession* vi) { return YM_tovik_InitExtCal(kDevice, "pw", vi, 256, text); },
       [&](ViSession* vi) { return YM_tovik_CloseExtCal(*vi, 0, 256, text); }, true},
      {"gRPC initialize and detach",
       [&](ViSession* vi) {
         return YM_tovik_InitializeWithChannelsForGrpcSession(kDevice, "0", VI_FALSE, "", "s",
                                                              "host", 1, vi, 256, text);
       },
       [&](ViSession* vi) { return YM_tovik_DetachGrpcSession(*vi, 256, text); }, true},
      {"gRPC attach",
       [&](ViSession* vi) { return YM_tovik_AttachGrpcSession("s", "host", 1, vi, 256, text); },
       [&](ViSession* vi) { return YM_tovik_DetachGrpcSession(*vi, 256, text); }, true},
      {"the plain forms keep it",
       [](ViSession* vi) { return tovik_init(kDevice, VI_FALSE, VI_FALSE, vi); },
       [](ViSession* vi) { return tovik_close(*vi); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ViSession vi = 0;
    ASSERT_EQ(tovik_reset(0), kInvalidSessionHandle);
    ASSERT_EQ(c.open(&vi), 0);
    EXPECT_EQ(pendingCode(), c.clears ? 0 : kInvalidSessionHandle);
    ASSERT_EQ(tovik_reset(0), kInvalidSessionHandle);
    ASSERT_EQ(c.close(&vi), 0);
    EXPECT_EQ(pendingCode(), c.clears ? 0 : kInvalidSessionHandle);
    clearPending();
  }
}

TEST_F(HostEntryPoints, TheServerHelpersResolveTheResourceAndResetTheLanguage) {
  int marker = 0;
  const ViAddr first = &marker;
  int otherMarker = 0;
  const ViAddr second = &otherMarker;
  struct Case {
    const char* name;
    std::function<ViStatus(const char*)> call;
    const char* resource;
    ViStatus status;
    const char* entry;  // the remote-debug entry that must run, null: none
  };
  const Case cases[] = {
      {"session initialised", [&](const char* r) { return tovik_IsSessionInitialized(r, first, second); },
       kDevice, 0, "remotedebug.IsSessionInitialized"},
      {"open sessions", [&](const char* r) { return tovik_GetOpenSessionsInformation(r, first, second, nullptr); },
       kDevice, 0, "remotedebug.GetOpenSessionsInformation"},
      // A server session and a plain query do not honour a debug request the
      // way an opening call does: the device's own family answers.
      {"session initialised, debug name",
       [&](const char* r) { return tovik_IsSessionInitialized(r, first, second); }, "DebugFgen", 0,
       "remotedebug.IsSessionInitialized"},
      {"open sessions, debug name",
       [&](const char* r) { return tovik_GetOpenSessionsInformation(r, first, second, nullptr); }, "DebugFgen",
       0, "remotedebug.GetOpenSessionsInformation"},
      {"unknown resource", [&](const char* r) { return tovik_IsSessionInitialized(r, first, second); },
       "NoSuchDevice", kBadOptionValue, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ViSession vi = 0;
    ASSERT_EQ(tovik_InitWithOptions(kDevice, VI_FALSE, VI_FALSE, "DriverSetup=Language:de", &vi), 0);
    ASSERT_EQ(tovik_close(vi), 0);
    ASSERT_EQ(describedOnHandleZero(kInvalidSessionHandle), description(kInvalidSessionHandle, 2));
    resetPlugins();

    EXPECT_EQ(c.call(c.resource), c.status);
    EXPECT_EQ(describedOnHandleZero(kInvalidSessionHandle), description(kInvalidSessionHandle, 0));
    if (!c.entry) {
      EXPECT_EQ(pendingCode(), c.status);
      EXPECT_EQ(callsOf("remotedebug.IsSessionInitialized"), 0);
      continue;
    }
    const std::vector<RecordingPluginCall> calls = callsTo(pal(), c.entry);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(calls[0].args[0].bits), c.resource);
    EXPECT_EQ(calls[0].args[1].bits, reinterpret_cast<uint64_t>(first));
    EXPECT_EQ(calls[0].args[2].bits, reinterpret_cast<uint64_t>(second));
    EXPECT_EQ(callsOf(c.entry), 1);  // no other family
  }
}

TEST_F(HostEntryPoints, TheServerOpensTheDevicesOwnFamilyDespiteADebugRequest) {
  constexpr const char* kDebug = "DriverSetup=DebugSession:1";
  ViSession vi = 0;
  ASSERT_EQ(tovik_InitWithOptions(kDevice, VI_FALSE, VI_FALSE, kDebug, &vi), 0);
  EXPECT_EQ(remote()->countOf("main.InitWithOptions"), 1);  // an opening call honours it
  ASSERT_EQ(tovik_close(vi), 0);

  ASSERT_EQ(InitializeSessionForServer(kDevice, VI_TRUE, VI_FALSE, kDebug, "0,1", &vi), 0);
  const std::vector<RecordingPluginCall> opened = callsTo(pal(), "main.InitializeWithChannels");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_STREQ(reinterpret_cast<const char*>(opened[0].args[1].bits), "0,1");
  EXPECT_EQ(remote()->countOf("main.InitializeWithChannels"), 0);
  EXPECT_EQ(ReleaseSessionForServer(vi), 0);
  EXPECT_EQ(pal()->countOf("main.close"), 1);
  EXPECT_EQ(ReleaseSessionForServer(vi), kInvalidSessionHandle);
  EXPECT_EQ(pal()->countOf("main.close"), 1);
}

TEST_F(HostEntryPoints, AttributeWasSetByUserAnswersATruthValue) {
  EXPECT_EQ(tovik_AttributeWasSetByUser(0x4321, nullptr, 1250001), 0);
  EXPECT_EQ(pendingCode(), kInvalidSessionHandle);
  EXPECT_EQ(callsOf("remotedebug.AttributeWasSetByUser"), 0);

  ViSession vi = 0;
  ASSERT_EQ(tovik_init(kDevice, VI_FALSE, VI_FALSE, &vi), 0);
  for (ViStatus answer : {1, 0}) {
    SCOPED_TRACE(answer);
    pal()->setResult("remotedebug.AttributeWasSetByUser", answer);
    EXPECT_EQ(tovik_AttributeWasSetByUser(vi, reinterpret_cast<ViAddr>(0x77), 1250001), answer);
  }
  const std::vector<RecordingPluginCall> calls = callsTo(pal(), "remotedebug.AttributeWasSetByUser");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].args[0].bits, vi);
  EXPECT_EQ(calls[0].args[1].bits, 0x77u);
  EXPECT_EQ(calls[0].args[2].bits, 1250001u);
  EXPECT_EQ(tovik_close(vi), 0);
}

// Every text argument of the host and server entry points may be null.
TEST_F(HostEntryPoints, NullTextsGiveAStatus) {
  using Open = std::function<ViStatus(ViSession*)>;
  // Opens through `open`, then closes what it opened with `close`.
  const auto closed = [](const Open& open, ViStatus (*close)(ViSession)) {
    ViSession vi = 0;
    const ViStatus status = open(&vi);
    return status < 0 ? status : close(vi) == 0 ? status : -1;
  };
  const auto ymClose = [](ViSession vi) { return YM_tovik_close(vi, 0, nullptr); };
  const auto detach = [](ViSession vi) { return YM_tovik_DetachGrpcSession(vi, 0, nullptr); };
  const auto failing = [](const Open& open) {
    ViSession vi = 0x5555;
    const ViStatus status = open(&vi);
    return vi == 0x5555 ? status : -1;  // nothing written when nothing opened
  };
  char text[256];
  struct Case {
    const char* name;
    std::function<ViStatus()> call;
    ViStatus status;
  };
  const Case cases[] = {
      {"YM init without a resource",
       [&] {
         return failing([&](ViSession* vi) {
           return YM_tovik_init(nullptr, VI_FALSE, VI_FALSE, vi, sizeof text, text);
         });
       },
       kBadOptionValue},
      {"YM init without a description buffer",
       [&] {
         return closed([](ViSession* vi) {
           return YM_tovik_init(kDevice, VI_FALSE, VI_FALSE, vi, 256, nullptr);
         }, ymClose);
       },
       0},
      {"YM InitWithOptions without resource or options",
       [&] {
         return failing([&](ViSession* vi) {
           return YM_tovik_InitWithOptions(nullptr, VI_FALSE, VI_FALSE, nullptr, vi, 256, text);
         });
       },
       kBadOptionValue},
      {"YM InitWithOptions simulated without a resource",
       [&] {
         return closed([&](ViSession* vi) {
           return YM_tovik_InitWithOptions(nullptr, VI_FALSE, VI_FALSE, kSimulatedPal, vi, 256, text);
         }, ymClose);
       },
       0},
      {"YM InitializeWithChannels without channel or options",
       [&] {
         return closed([&](ViSession* vi) {
           return YM_tovik_InitializeWithChannels(kDevice, nullptr, VI_FALSE, nullptr, vi, 256, text);
         }, ymClose);
       },
       0},
      {"YM InitExtCal without a password",
       [&] {
         return closed([&](ViSession* vi) {
           return YM_tovik_InitExtCal(kDevice, nullptr, vi, 256, text);
         }, ymClose);
       },
       0},
      {"gRPC initialize with every text null",
       [&] {
         return closed([](ViSession* vi) {
           return YM_tovik_InitializeWithChannelsForGrpcSession(
               nullptr, nullptr, VI_FALSE, nullptr, nullptr, nullptr, 0, vi, 0, nullptr);
         }, detach);
       },
       0},
      {"gRPC attach with every text null",
       [&] {
         return closed([](ViSession* vi) {
           return YM_tovik_AttachGrpcSession(nullptr, nullptr, 0, vi, 0, nullptr);
         }, detach);
       },
       0},
      {"YM waveforms without channel, name or data",
       [&] {
         return closed([](ViSession* vi) {
           ViStatus status = YM_tovik_init(kDevice, VI_FALSE, VI_FALSE, vi, 0, nullptr);
           if (status == 0) status = YM_tovik_CreateWaveformComplexF64(*vi, nullptr, nullptr, nullptr);
           if (status == 0) status = YM_tovik_WriteWaveformComplexF64(*vi, nullptr, nullptr, 0);
           if (status == 0) {
             status = YM_tovik_WriteNamedWaveformComplexF64(*vi, nullptr, nullptr, nullptr);
           }
           return status;
         }, ymClose);
       },
       0},
      {"server open without a resource",
       [&] {
         return failing([](ViSession* vi) {
           return InitializeSessionForServer(nullptr, VI_FALSE, VI_FALSE, nullptr, nullptr, vi);
         });
       },
       kBadOptionValue},
      {"server open without options",
       [&] {
         return closed([](ViSession* vi) {
           return InitializeSessionForServer(kDevice, VI_FALSE, VI_FALSE, nullptr, nullptr, vi);
         }, &ReleaseSessionForServer);
       },
       0},
      {"open sessions without a resource",
       [] { return tovik_GetOpenSessionsInformation(nullptr, nullptr, nullptr, nullptr); },
       kBadOptionValue},
      {"session initialised without a resource",
       [] { return tovik_IsSessionInitialized(nullptr, nullptr, nullptr); }, kBadOptionValue},
      {"runtime environment without texts",
       [] { return tovik_SetRuntimeEnvironment(nullptr, nullptr); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.call(), c.status);
  }
}

}  // namespace
