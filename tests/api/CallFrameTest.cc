// The call frame's own behaviour: the merge rule, the recorded error text,
// a bad handle, tracing switched at run time, and no allocation when silent.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <string>

#include "AllocationCounter.h"
#include "RecordingPlugin.h"
#include "SnooprRecord.h"
#include "api/CallFrame.h"
#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi_engine.h"
#include "plugins/PluginFactory.h"
#include "sessions/SessionRegistry.h"
#include "status/Raise.h"
#include "tovik/tovik.h"
#include "translation/MxlWrapper.h"

namespace {

constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);

TEST(MergeStatus, FollowsThePrecedenceRule) {
  struct Case {
    ViStatus result, caught, expected;
  };
  const Case cases[] = {
      {0, 0, 0},      {5, 0, 5},      {-5, 0, -5},   {0, 7, 7},    {5, 7, 7},
      {-5, 7, -5},    {0, -9, -9},    {5, -9, -9},   {-5, -9, -9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.result) + " with " + std::to_string(c.caught));
    EXPECT_EQ(api::mergeStatus(c.result, c.caught), c.expected);
  }
}

// A translator that renders every report as a long text.
class LongTranslator : public miivi::MxlWrapper {
 public:
  void translate(const voerr::Status&, int32_t, uint32_t, std::string& text,
                 voerr::Status&) const override {
    text.assign(2000, 'x');
  }
};

// A translator whose rendering fails without leaving any text.
class FailingTranslator : public miivi::MxlWrapper {
 public:
  void translate(const voerr::Status&, int32_t, uint32_t, std::string&,
                 voerr::Status& status) const override {
    status.setCode(-52006);
  }
};

// A translator whose rendering fails and leaves the report's JSON, as the
// formatted-text translation does after its last retry.
class JsonLeavingTranslator : public miivi::MxlWrapper {
 public:
  void translate(const voerr::Status& report, int32_t, uint32_t, std::string& text,
                 voerr::Status& status) const override {
    status.setCode(-52003);
    text = report.reportText();
  }
};

std::string elaboration(ViSession vi) {
  std::string text(4096, '\0');
  Ivi_GetAttributeViString(vi, nullptr, 1050103, 0, static_cast<ViInt32>(text.size()), &text[0]);
  text.resize(std::strlen(text.c_str()));
  return text;
}

TEST(RecordError, CutsLongTextsWithAnEllipsis) {
  ViSession vi = 0;
  ASSERT_EQ(Ivi_SpecificDriverNew("tovik", "Simulate=1", &vi), 0);
  voerr::Status status;
  TOVIK_RAISE(voerr::codes::kFunctionNotSupported).into(status);
  api::recordError(vi, status, 0, LongTranslator());
  ViStatus primary = 0;
  ViInt32 stored = 0;
  Ivi_GetAttributeViInt32(vi, nullptr, 1050101, 0, &stored);
  primary = stored;
  EXPECT_EQ(primary, voerr::codes::kFunctionNotSupported.code);
  const std::string text = elaboration(vi);
  ASSERT_GE(text.size(), 1023u);
  EXPECT_EQ(text.substr(0, 1020), std::string(1020, 'x'));
  EXPECT_EQ(text.substr(1020, 3), "...");

  // The script translator renders the report's items; a report without
  // items has nothing to add to the code's own description.
  Ivi_ClearErrorInfo(vi);
  api::recordError(vi, status, 0, miivi::MxlWrapper());
  EXPECT_EQ(elaboration(vi), "");
  voerr::Status withItem;
  TOVIK_RAISE(voerr::codes::kNullPointer).usage("kUsageTypeParameterName", "buffer").into(withItem);
  Ivi_ClearErrorInfo(vi);
  api::recordError(vi, withItem, 1, miivi::MxlWrapper());
  EXPECT_EQ(elaboration(vi), "Nom du paramètre: buffer");

  // A rendering that fails but leaves the report's JSON records that JSON.
  Ivi_ClearErrorInfo(vi);
  api::recordError(vi, status, 0, JsonLeavingTranslator());
  EXPECT_EQ(elaboration(vi), status.reportText());

  // A rendering that fails and leaves nothing records the fixed text.
  Ivi_ClearErrorInfo(vi);
  api::recordError(vi, status, 0, FailingTranslator());
  EXPECT_EQ(elaboration(vi), "Could not retrieve error description.");

  // A report without translator renders to nothing: its JSON is recorded.
  voerr::Status plain;
  TOVIK_RAISE_PLAIN(voerr::codes::kInvalidParameter).into(plain);
  Ivi_ClearErrorInfo(vi);
  api::recordError(vi, plain, 0, miivi::MxlWrapper());
  EXPECT_EQ(elaboration(vi), plain.reportText());
  Ivi_Dispose(vi);
}

int32_t* loggerMode() {
  void* logger = dlopen("libSnooprLog.so", RTLD_NOW | RTLD_NOLOAD);
  if (!logger) logger = dlopen("libSnooprLog.so", RTLD_NOW);
  auto location = reinterpret_cast<int32_t* (*)()>(dlsym(logger, "SnooprModeLocation"));
  return location ? location() : nullptr;
}

class TracedCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    mode_ = loggerMode();
    ASSERT_NE(mode_, nullptr);
    *mode_ = 1;
    std::ofstream(path_, std::ios::trunc).close();
    Ivi_ClearErrorInfo(0);
  }
  void TearDown() override { *mode_ = 1; }
  snoopr::RecordFile records() const { return snoopr::readRecordFile(path_); }

  int32_t* mode_ = nullptr;
  std::string path_ = ::testing::TempDir() + "call_frame_test.log";
  snoopr::ScopedLogFile log_{path_};
};

TEST_F(TracedCalls, SessionZeroIsAnInvalidHandleAndTracedWithoutSession) {
  EXPECT_EQ(tovik_ConfigureFrequency(0, "0", 1e6), kInvalidSessionHandle);
  const snoopr::RecordFile file = records();
  ASSERT_EQ(file.records.size(), 1u);
  const snoopr::Record& record = file.records.front();
  ASSERT_GE(record.params.size(), 3u);
  EXPECT_EQ(record.params[1].name.value_or(""), "dummysessn");
  EXPECT_EQ(record.params[1].totalSize, 0);
  EXPECT_EQ(record.params[2].name.value_or(""), "vi");  // no "dummyintch" for session 0
  ASSERT_EQ(record.returns.size(), 2u);
  EXPECT_EQ(record.returns[0].name.value_or(""), "dummyerror");
  // The description of the code, from the build's error files.
  EXPECT_EQ(record.returns[0].text().rfind("The session handle is not valid", 0), 0u)
      << record.returns[0].text();
  EXPECT_EQ(record.returns[1].succeeded.value_or(-1), 0);

  // The error is the calling thread's pending error.
  ViStatus primary = 0, secondary = 0;
  Ivi_GetErrorInfo(0, &primary, &secondary, nullptr);
  EXPECT_EQ(primary, kInvalidSessionHandle);
}

TEST_F(TracedCalls, FollowTheLoggersSwitchAtRunTime) {
  *mode_ = 0;
  EXPECT_EQ(tovik_reset(0), kInvalidSessionHandle);
  EXPECT_TRUE(records().records.empty());
  *mode_ = 1;
  EXPECT_EQ(tovik_reset(0), kInvalidSessionHandle);
  ASSERT_EQ(records().records.size(), 1u);
  EXPECT_EQ(records().records.front().functionName.value_or(""), "tovik_reset");
}

TEST_F(TracedCalls, ASilentForwardedCallDoesNotAllocate) {
  ViSession vi = 0;
  ASSERT_EQ(Ivi_SpecificDriverNew("tovik", "Simulate=1", &vi), 0);
  tovik::Plugin* plugin = tovik::pluginCache().getInstance(tovik::PluginKey::PAL);
  dvl::createAndRegister(miivi::IviWrapperFactory().createBinding(vi), 0, 0, plugin, "Dev1",
                         nullptr);
  *mode_ = 0;
  EXPECT_EQ(tovik_ConfigureFrequency(vi, "0", 1e6), 0);  // first call settles the trace linker
  const long before = testing_support::allocations;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(tovik_ConfigureFrequency(vi, "0", 1e6), 0);
  EXPECT_EQ(testing_support::allocations - before, 0);
  EXPECT_TRUE(records().records.empty());
  EXPECT_EQ(tovik_close(vi), 0);
  Ivi_Dispose(vi);
}

}  // namespace
