// The trace logger's readable lines (SNOOPR_FORMAT=readable), from records
// built the way the driver's call frame builds them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "SnooprStandin.h"
#include "SnooprRecord.h"

namespace {

// One record, written through the logger's entry points.
class Call {
 public:
  using ViStatus = int32_t;

  explicit Call(const char* function) : cookie_(SnooprGetCookie(21, 112, 1, function)) {}

  template <typename T>
  Call& param(const char* name, const T& value, int32_t code) {
    SnooprSetParamElementSize_generic(cookie_, index_++, &value, sizeof value, sizeof value, name, code);
    return *this;
  }
  Call& text(const char* name, const char* value) {
    SnooprSetParamElementSize_generic(cookie_, index_++, value, 1, static_cast<int64_t>(std::strlen(value)), name, 45);
    return *this;
  }
  // An array as the frame records it: its address, then its elements.
  template <typename T>
  Call& array(const char* name, const T* data, int64_t count, int32_t code) {
    param(name, data, code);
    if (data) SnooprSetParamElementSize_generic(cookie_, index_++, data, sizeof *data, count * sizeof *data, name, code);
    return *this;
  }
  // The frame's pseudo-parameters of a standard call.
  Call& placeholders() {
    static const void* const null = nullptr;
    param("dummyerror", null, 14);
    text("dummysessn", "PXI1Slot2");
    return param("dummyintch", null, 14);
  }
  template <typename T>
  Call& output(const char* name, const T& value, int32_t code) {
    endParams();
    SnooprSetReturnElementSize_generic(cookie_, returns_++, &value, sizeof value, sizeof value, name, code);
    return *this;
  }
  Call& outputText(const char* name, const char* value) {
    endParams();
    SnooprSetReturnElementSize_generic(cookie_, returns_++, value, 1, static_cast<int64_t>(std::strlen(value)), name,
                                       45);
    return *this;
  }
  void finish(ViStatus status, const char* description = "") {
    outputText("dummyerror", description);
    SnooprSetFuncReturnElementSize_generic(cookie_, returns_, &status, 4, 4, nullptr, 23, status >= 0);
    SnooprEndReturns(&cookie_, returns_ + 1);
    SnooprFreeCookie(cookie_);
  }
  void abandon() {
    endParams();
    SnooprFreeCookie(cookie_);
  }

 private:
  void endParams() {
    if (!paramsEnded_) SnooprEndParams(cookie_, index_);
    paramsEnded_ = true;
  }
  void* cookie_;
  int32_t index_ = 0;
  int32_t returns_ = 0;
  bool paramsEnded_ = false;
};

struct Case {
  const char* name;
  bool placeholders;
  std::function<void()> record;
  std::string line;
};

class SnooprReadable : public ::testing::Test {
 protected:
  void SetUp() override {
    *SnooprModeLocation() = 1;
    setenv("SNOOPR_FORMAT", "readable", 1);
  }
  void TearDown() override {
    unsetenv("SNOOPR_FORMAT");
    unsetenv("SNOOPR_SHOW_PLACEHOLDERS");
  }
};

TEST_F(SnooprReadable, OneLinePerCallAsCReadsIt) {
  const double ramp[10] = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9};
  const int32_t loops[2] = {1, -3};
  const std::vector<Case> cases = {
      {"scalars and a text; pseudo-parameters hidden", false,
       [] { Call("tovik_ConfigureFrequency").placeholders().param("vi", 2u, 35).text("channelName", "0").param("frequency", 1000.0, 19).finish(0); },
       R"(tovik_ConfigureFrequency(vi=2, channelName="0", frequency=1000) = 0)"},
      {"pseudo-parameters when asked for", true,
       [] { Call("tovik_reset").placeholders().param("vi", 2u, 35).finish(0); },
       R"(tovik_reset(dummyerror="", dummysessn="PXI1Slot2", dummyintch=NULL, vi=2) = 0)"},
      {"a failed call's status and description", false,
       [] {
         Call("tovik_ConfigureFrequency").placeholders().param("vi", 2u, 35).text("channelName", "0").param("frequency", -5.0, 19)
             .finish(-1074135024, "Invalid value.\nElaboration: \"frequency\"");
       },
       R"(tovik_ConfigureFrequency(vi=2, channelName="0", frequency=-5) = -1074135024 (0xBFFA0010) "Invalid value.\nElaboration: \"frequency\"")"},
      {"a warning has its code but no description", false,
       [] { Call("tovik_InitiateGeneration").param("vi", 7u, 35).finish(0x3FFA4001); },
       "tovik_InitiateGeneration(vi=7) = 1073364993 (0x3FFA4001)"},
      {"a value returned through a pointer, and the attribute's name", false,
       [] {
         static double value = 0;
         Call("tovik_GetAttributeViReal64").param("vi", 2u, 35).text("channelName", "1").text("dummyattr", "IVIFGEN_ATTR_FUNC_FREQUENCY")
             .param("attributeId", 1250104u, 29).param("attributeValue", &value, 20).output("*attributeValue", 2.5, 19).finish(0);
       },
       R"(tovik_GetAttributeViReal64(vi=2, channelName="1", attributeId=1250104 /* IVIFGEN_ATTR_FUNC_FREQUENCY */, *attributeValue=2.5) = 0)"},
      {"arrays: the first elements and the length; null arrays and texts", false,
       [&] {
         static const char* const noText = nullptr;
         Call("tovik_Example").array("data", ramp, 10, 20).array("loops", loops, 2, 4).array<double>("none", nullptr, 4, 20)
             .param("name", noText, 14).param("enabled", static_cast<uint16_t>(1), 21).param("value", static_cast<int16_t>(-7), 7)
             .finish(0);
       },
       "tovik_Example(data={0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, ... 10 elements}, loops={1, -3}, none=NULL, name=NULL, "
       "enabled=VI_TRUE, value=-7) = 0"},
      {"outputs recorded only on return follow the parameters", false,
       [] {
         static int16_t result = 0;
         Call("tovik_self_test").param("vi", 3u, 35).param("selfTestResult", &result, 8).output("*selfTestResult", int16_t{0}, 7)
             .outputText("selfTestMessage", "Self test passed.").finish(0);
       },
       R"(tovik_self_test(vi=3, *selfTestResult=0, selfTestMessage="Self test passed.") = 0)"},
      {"a record whose returns never ended", false,
       [] { Call("tovik_close").param("vi", 3u, 35).abandon(); },
       "tovik_close(vi=3) = (no status recorded)"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    snoopr::ScopedLogFile log(::testing::TempDir() + "snoopr_readable_" + std::to_string(getpid()) + ".log");
    if (test.placeholders) setenv("SNOOPR_SHOW_PLACEHOLDERS", "1", 1);
    test.record();
    unsetenv("SNOOPR_SHOW_PLACEHOLDERS");
    const std::vector<std::string> lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], test.line);
  }
}

TEST_F(SnooprReadable, RawStaysTheDefault) {
  snoopr::ScopedLogFile log(::testing::TempDir() + "snoopr_raw_" + std::to_string(getpid()) + ".log");
  unsetenv("SNOOPR_FORMAT");
  Call("tovik_reset").param("vi", 2u, 35).finish(0);
  setenv("SNOOPR_FORMAT", "raw", 1);
  Call("tovik_reset").param("vi", 2u, 35).finish(0);
  const snoopr::RecordFile file = log.read();
  EXPECT_TRUE(file.malformedLines.empty());
  ASSERT_EQ(file.records.size(), 2u);
  EXPECT_EQ(file.records[1].functionName, "tovik_reset");
  EXPECT_EQ(file.records[1].params[0].value, "2");
}

TEST_F(SnooprReadable, LongArraysStayBounded) {
  std::vector<double> samples(1 << 20, 0.25);
  snoopr::ScopedLogFile log(::testing::TempDir() + "snoopr_long_" + std::to_string(getpid()) + ".log");
  Call("tovik_WriteWaveform").array("data", samples.data(), static_cast<int64_t>(samples.size()), 20).finish(0);
  const std::vector<std::string> lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "tovik_WriteWaveform(data={0.25, 0.25, 0.25, 0.25, 0.25, 0.25, 0.25, 0.25, ... 1048576 elements}) = 0");
}

}  // namespace
