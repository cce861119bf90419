// Resolution of the plugin tables against recording plugins loaded by path,
// and the dynamic-library wrapper underneath it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "PluginTestSupport.h"
#include "dynlib/DynamicLibrary.h"
#include "plugins/Plugin.h"
#include "status/StatusCodes.h"

namespace {

using plugins_test::contains;

const tovik::TableAffixes kPalAffixes = {{{"tovikPAL_", ""},
                                          {"tovikPAL_", ""},
                                          {"tovikPAL_", ""},
                                          {"tovikPAL_", ""},
                                          {"YM_tovikPAL_", ""},
                                          {"tovikPAL_", ""}}};

std::string variantPath(const char* variant) {
  return std::string(RECORDING_PLUGINS_DIR) + "/" + variant + "/libtovikpal.so";
}

void* loadVariant(const char* variant) {
  voerr::Status status;
  void* library = vodynlib_load(variantPath(variant).c_str(), RTLD_NOW, status);
  EXPECT_EQ(status.code, 0) << status.reportText();
  return library;
}

const RecordingPluginControl& controlOf(void* library) {
  auto get = reinterpret_cast<RecordingPluginControlFunction>(
      dlsym(library, RECORDING_PLUGIN_CONTROL_SYMBOL));
  return *get();
}

void setWarning(voerr::Status& status) { status.setCode(0x3FFA0001); }
void setError(voerr::Status& status) {
  status.setCode(-1);
  status.assignReport(R"({"earlier":"error"})");
}

TEST(DynamicLibrary, LoadFailureReport) {
  voerr::Status status;
  EXPECT_EQ(vodynlib_load("/nonexistent/libnothing.so", RTLD_NOW, status), nullptr);
  EXPECT_EQ(status.code, -52005);
  const std::string report = status.reportText();
  EXPECT_EQ(report.rfind(R"({"error_constant":"voapalerr_invalidParameter","file":"dynload",)"
                         R"("line":65,"component":"tovik","vodynlib_debug":{"debug":)"
                         R"("failed to vodynlib_load library","path":"/nonexistent/libnothing.so"},)"
                         R"("internal_error":{"api":"dlerror","string":"/nonexistent/libnothing.so)",
                         0),
            0u)
      << report;
  EXPECT_FALSE(contains(report, "translator")) << report;
  EXPECT_EQ(dlerror(), nullptr) << "the loader's error is left behind";
}

TEST(DynamicLibrary, NullPathIsRefusedNotTheMainProgram) {
  voerr::Status status;
  EXPECT_EQ(vodynlib_load(nullptr, RTLD_NOW, status), nullptr);
  EXPECT_EQ(status.code, -52005);
  EXPECT_TRUE(contains(status.reportText(), R"("path":"")")) << status.reportText();
}

TEST(DynamicLibrary, SymbolFailureReportKeepsLongNamesWhole) {
  void* library = loadVariant("full");
  const std::string longName(1000, 'x');
  for (const std::string& name : {std::string("tovikPAL_noSuchEntry"), longName}) {
    SCOPED_TRACE(name.size());
    voerr::Status status;
    EXPECT_EQ(vodynlib_getSymbol(library, name.c_str(), status), nullptr);
    EXPECT_EQ(status.code, -52005);
    const std::string report = status.reportText();
    EXPECT_TRUE(contains(report, R"("file":"dynload","line":140,"component":"tovik",)"
                                 R"("vodynlib_debug":{"debug":"failed to get symbol",)"
                                 R"("vodynlib_symbol":")" + name + R"("},"internal_error":)"
                                 R"({"api":"dlerror","string":")"))
        << report;
  }
  voerr::Status status;
  EXPECT_NE(vodynlib_getSymbol(library, "tovikPAL_init", status), nullptr);
  EXPECT_EQ(status.code, 0);
}

// A failure is recorded only by the precedence rule, and nothing is tried
// once the status holds an error.
TEST(DynamicLibrary, StatusPrecedence) {
  struct Case {
    const char* name;
    std::function<void(voerr::Status&)> before;
    int32_t code;
    bool reported;
  };
  const Case cases[] = {
      {"fresh", [](voerr::Status&) {}, -52005, true},
      {"warning", setWarning, -52005, true},
      {"error", setError, -1, false},
  };
  void* library = loadVariant("full");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    voerr::Status load;
    c.before(load);
    EXPECT_EQ(vodynlib_load("/nonexistent/libnothing.so", RTLD_NOW, load), nullptr);
    EXPECT_EQ(load.code, c.code);
    EXPECT_EQ(contains(load.reportText(), "vodynlib_debug"), c.reported) << load.reportText();

    voerr::Status symbol;
    c.before(symbol);
    void* found = vodynlib_getSymbol(library, "tovikPAL_init", symbol);
    EXPECT_EQ(found != nullptr, c.code != -1) << "looked up despite an error";
  }
  voerr::Status error;
  setError(error);
  EXPECT_EQ(vodynlib_load(variantPath("full").c_str(), RTLD_NOW, error), nullptr);
  EXPECT_STREQ(error.reportText(), R"({"earlier":"error"})");
}

template <class Table>
std::vector<std::string> supportedEntries(const Table& table) {
  std::vector<std::string> names;
  for (std::size_t index = 0; index < Table::kEntryCount; ++index) {
    if (table.isEntrySupported(index)) names.emplace_back(Table::kEntryNames[index]);
  }
  return names;
}

TEST(PluginResolution, CloseFunctionPointerOnly) {
  tovik::Plugin plugin;
  voerr::Status status;
  plugin.resolveEntryPoints(loadVariant("closeonly"), kPalAffixes, status);
  using Names = std::vector<std::string>;
  EXPECT_EQ(supportedEntries(plugin.mainTable()), Names{});
  EXPECT_EQ(supportedEntries(plugin.privateTable()), Names{"SetCloseFunctionPointer"});
  EXPECT_EQ(supportedEntries(plugin.obsoleteTable()), Names{});
  EXPECT_EQ(supportedEntries(plugin.remoteDebugTable()), Names{});
  EXPECT_EQ(supportedEntries(plugin.ymTable()), Names{});
  EXPECT_EQ(supportedEntries(plugin.internalIviTable()), Names{});
  EXPECT_EQ(status.code, -52005);
  EXPECT_TRUE(contains(status.reportText(), R"("vodynlib_symbol":"tovikPAL_init")"))
      << status.reportText();
}

TEST(PluginResolution, FirstMissingSymbolWins) {
  void* library = loadVariant("gaps");
  {
    tovik::Plugin plugin;
    voerr::Status status;
    plugin.resolveEntryPoints(library, kPalAffixes, status);
    EXPECT_EQ(status.code, -52005);
    EXPECT_TRUE(contains(status.reportText(), R"("vodynlib_symbol":"tovikPAL_reset"})"))
        << status.reportText();
    EXPECT_FALSE(plugin.mainTable().isresetSupported());
    EXPECT_FALSE(plugin.ymTable().iscloseSupported());
    EXPECT_TRUE(plugin.mainTable().iscloseSupported());
    EXPECT_TRUE(plugin.mainTable().isGetAttributeViSessionSupported());
  }
  {
    tovik::Plugin plugin;
    voerr::Status status;
    setError(status);
    plugin.resolveEntryPoints(library, kPalAffixes, status);
    EXPECT_EQ(status.code, -1);
    EXPECT_STREQ(status.reportText(), R"({"earlier":"error"})");
    EXPECT_TRUE(plugin.mainTable().isinitSupported()) << "an earlier error stops no lookup";
  }
}

TEST(PluginResolution, OverlongSymbolsAreCutAt255Characters) {
  const std::string prefix(300, 'p');
  const tovik::TableAffixes affixes = {{{prefix.c_str(), ""},
                                        {prefix.c_str(), ""},
                                        {prefix.c_str(), ""},
                                        {prefix.c_str(), ""},
                                        {prefix.c_str(), ""},
                                        {prefix.c_str(), ""}}};
  tovik::Plugin plugin;
  voerr::Status status;
  plugin.resolveEntryPoints(loadVariant("full"), affixes, status);
  EXPECT_EQ(status.code, -52005);
  EXPECT_TRUE(contains(status.reportText(),
                       R"("vodynlib_symbol":")" + prefix.substr(0, 255) + R"("})"))
      << status.reportText();
  EXPECT_FALSE(plugin.mainTable().isinitSupported());
}

struct ArgumentCase {
  const char* entry;
  std::function<ViStatus(const tovik::Plugin&)> call;
  std::vector<RecordingPluginArg> expected;
};

template <typename T>
RecordingPluginArg arg(T value) {
  RecordingPluginArg result{0, sizeof(T)};
  std::memcpy(&result.bits, &value, sizeof(T));
  return result;
}

// The full PAL recording plugin, resolved under the family's prefixes.
class FullPlugin : public ::testing::Test {
 protected:
  void* library = loadVariant("full");
  const RecordingPluginControl& control = controlOf(library);
  tovik::Plugin plugin;
  voerr::Status status;

  void SetUp() override { plugin.resolveEntryPoints(library, kPalAffixes, status); }
};

// Every call passes its arguments unchanged, in order and width, and returns
// the plugin's status unchanged.
TEST_F(FullPlugin, CallsPassArgumentsAndResultsUnchanged) {
  ASSERT_EQ(status.code, 0) << status.reportText();

  const char* channel = "0";
  const char* waveformName = "wfm";
  const ViReal64 samples[3] = {0.5, -0.5, 0.25};
  const ViComplexF64 complexSamples[1] = {{1.0, -1.0}};
  ViInt32 handle = 0;
  char buffer[256];
  const ViSession vi = 0x12345678;
  const ArgumentCase cases[] = {
      {"main.ConfigureFrequency",
       [&](const tovik::Plugin& p) { return p.mainTable().ConfigureFrequency(vi, channel, 1.25e6); },
       {arg(vi), arg(channel), arg(1.25e6)}},
      {"main.WriteBinary16AnalogStaticValue",
       [&](const tovik::Plugin& p) {
         return p.mainTable().WriteBinary16AnalogStaticValue(vi, channel, ViInt16{-2});
       },
       {arg(vi), arg(channel), arg(ViInt16{-2})}},
      {"main.ConfigureOutputEnabled",
       [&](const tovik::Plugin& p) {
         return p.mainTable().ConfigureOutputEnabled(vi, channel, VI_TRUE);
       },
       {arg(vi), arg(channel), arg(VI_TRUE)}},
      {"main.SetAttributeViInt64",
       [&](const tovik::Plugin& p) {
         return p.mainTable().SetAttributeViInt64(vi, channel, ViAttr{1150001},
                                                  ViInt64{0x0123456789ABCDEF});
       },
       {arg(vi), arg(channel), arg(ViAttr{1150001}), arg(ViInt64{0x0123456789ABCDEF})}},
      {"main.CreateWaveformF64",
       [&](const tovik::Plugin& p) {
         return p.mainTable().CreateWaveformF64(vi, channel, 3, samples, &handle);
       },
       {arg(vi), arg(channel), arg(ViInt32{3}), arg(&samples[0]), arg(&handle)}},
      {"main.GetAttributeViString",
       [&](const tovik::Plugin& p) {
         return p.mainTable().GetAttributeViString(vi, channel, ViAttr{7}, 256, buffer);
       },
       {arg(vi), arg(channel), arg(ViAttr{7}), arg(ViInt32{256}), arg(&buffer[0])}},
      {"private.CreateWaveformWDT",
       [&](const tovik::Plugin& p) {
         return p.privateTable().CreateWaveformWDT(vi, buffer, &handle, ViInt16{-32768},
                                                   &buffer[1]);
       },
       {arg(vi), arg(static_cast<void*>(buffer)), arg(static_cast<void*>(&handle)),
        arg(ViInt16{-32768}), arg(static_cast<void*>(&buffer[1]))}},
      {"ym.WriteNamedWaveformComplexF64",
       [&](const tovik::Plugin& p) {
         return p.ymTable().WriteNamedWaveformComplexF64(vi, channel, waveformName,
                                                          complexSamples);
       },
       {arg(vi), arg(channel), arg(waveformName), arg(&complexSamples[0])}},
      {"remotedebug.FreeServer",
       [&](const tovik::Plugin& p) { return p.remoteDebugTable().FreeServer(ViInt32{-7}); },
       {arg(ViInt32{-7})}},
  };
  ViStatus result = 0x3FFA0100;
  for (const ArgumentCase& c : cases) {
    SCOPED_TRACE(c.entry);
    control.reset();
    ASSERT_EQ(control.setResult(c.entry, ++result), 0);
    EXPECT_EQ(c.call(plugin), result);
    const std::vector<RecordingPluginCall> calls = plugins_test::callLog(control);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(calls[0].entry, c.entry);
    ASSERT_EQ(calls[0].argCount, c.expected.size());
    for (size_t index = 0; index < c.expected.size(); ++index) {
      SCOPED_TRACE(index);
      EXPECT_EQ(calls[0].args[index].width, c.expected[index].width);
      EXPECT_EQ(calls[0].args[index].bits, c.expected[index].bits);
    }
  }
}

TEST_F(FullPlugin, InitAndYmberInitAreDistinctEntries) {
  control.reset();
  control.setNextHandle(0xCAFE);
  ViSession vi = 0;
  ViSession newVi = 0;
  char description[64] = "";
  EXPECT_EQ(plugin.mainTable().init("PXI1Slot2", VI_TRUE, VI_FALSE, &vi), 0);
  EXPECT_EQ(plugin.ymTable().init("PXI1Slot2", VI_TRUE, VI_FALSE, &newVi, 64, description), 0);
  EXPECT_EQ(plugins_test::callNames(control), (std::vector<std::string>{"main.init", "ym.init"}));
  EXPECT_EQ(vi, 0xCAFEu);
  EXPECT_EQ(newVi, 0xCAFEu);

  // A failing open leaves the handle alone.
  control.setResult("main.init", -1);
  vi = 0;
  EXPECT_EQ(plugin.mainTable().init("PXI1Slot2", VI_TRUE, VI_FALSE, &vi), -1);
  EXPECT_EQ(vi, 0u);
}

}  // namespace
