// The IVI engine binding against the engine stand-in: the forwarding rule of
// every operation, and the report of a raised engine error.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <string>

#include "IviStandin.h"
#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "status/Exception.h"

namespace {

struct ErrorRecord {
  ViStatus primary = 0;
  ViStatus secondary = 0;
};

ErrorRecord peekErrorInfo(ViSession vi) {
  ErrorRecord record;
  EXPECT_EQ(Ivi_GetAttributeViInt32(vi, nullptr, IVI_ATTR_PRIMARY_ERROR, 0, &record.primary), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViInt32(vi, nullptr, IVI_ATTR_SECONDARY_ERROR, 0, &record.secondary), VI_SUCCESS);
  return record;
}

class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IviStandin_Reset();
    ASSERT_EQ(Ivi_SpecificDriverNew("tovik", "", &vi_), VI_SUCCESS);
  }
  void TearDown() override { IviStandin_Reset(); }

  ViSession vi_ = 0;
};

constexpr ViStatus kEngineError = static_cast<ViStatus>(0xBFFA7001u);
constexpr ViStatus kEngineWarning = 0x3FFA7002;

// Each status operation of the binding, generated from the engine table.
enum : unsigned { kPlain = 1, kNoSession = 2, kBufferSize = 4 };
struct OperationCase {
  const char* name;
  unsigned groups;
  std::function<ViStatus(const miivi::IviWrapperInterface&, ViInt32)> call;
};
const OperationCase kOperations[] = {
#include "ivi/IviWrapperOperationCases.inc"
};

int raiseLine(const voerr::Exception& exception) {
  std::cmatch line;
  if (!std::regex_search(exception.what(), line, std::regex("\"line\":([0-9]+)"))) return -1;
  return std::stoi(line[1]);
}

TEST_F(BindingTest, EveryOperationFollowsTheForwardingRule) {
  const miivi::IviWrapper binding(vi_);
  std::set<int> raiseLines;
  size_t forwards = 0;
  for (const OperationCase& operation : kOperations) {
    SCOPED_TRACE(operation.name);
    const bool plain = operation.groups & kPlain;
    const ViSession expectedSession = (operation.groups & kNoSession) ? 0 : vi_;
    ASSERT_EQ(Ivi_ClearErrorInfo(vi_), VI_SUCCESS);

    // An engine error: raised from the operation's own site, or returned by
    // a plain forward.
    IviStandin_InjectStatus(operation.name, kEngineError, 1);
    if (plain) {
      EXPECT_EQ(operation.call(binding, 0), kEngineError);
    } else {
      ++forwards;
      try {
        operation.call(binding, 0);
        ADD_FAILURE() << "no exception";
      } catch (const voerr::Exception& exception) {
        EXPECT_EQ(exception.status().code, kEngineError);
        raiseLines.insert(raiseLine(exception));
      }
    }
    EXPECT_EQ(IviStandin_LastInjectedSession(), expectedSession);

    // With noThrow the error comes back and nothing is recorded.
    if (!plain) {
      IviStandin_InjectStatus(operation.name, kEngineError, 1);
      EXPECT_EQ(operation.call(binding, 1), kEngineError);
    }
    EXPECT_EQ(peekErrorInfo(vi_).primary, 0);

    // A warning is returned and recorded for the held session, unless it is
    // a buffer size or the operation a plain forward.
    IviStandin_InjectStatus(operation.name, kEngineWarning, 1);
    EXPECT_EQ(operation.call(binding, 0), kEngineWarning);
    const bool recorded = !plain && !(operation.groups & kBufferSize);
    const ErrorRecord record = peekErrorInfo(vi_);
    EXPECT_EQ(record.primary, recorded ? kEngineWarning : 0);
    EXPECT_EQ(record.secondary, 0);
  }
  EXPECT_EQ(raiseLines.size(), forwards) << "every forward has its own raise site";
  EXPECT_EQ(raiseLines.count(-1), 0u);
}

TEST_F(BindingTest, RaisedEngineErrorCarriesTheTranslator) {
  const miivi::IviWrapper binding(vi_ + 1);
  try {
    binding.Ivi_ValidateSession(0);
    FAIL() << "no exception";
  } catch (const std::exception& caught) {
    const auto* exception = dynamic_cast<const voerr::Exception*>(&caught);
    ASSERT_NE(exception, nullptr);
    EXPECT_EQ(exception->status().code, IVI_ERROR_INVALID_SESSION_HANDLE);
    const std::regex report(
        "\\{\"error_constant\":\"error\",\"file\":\"IviWrapper\",\"line\":[0-9]+,\"component\":\"tovik\","
        "\"translator\":\"mxlator_tovik\",\"translator_info\":\\{\"is_debug\":\"0\",\"version\":1,"
        "\"ordered_data\":\\[\\]\\}\\}");
    EXPECT_TRUE(std::regex_match(caught.what(), report)) << caught.what();
  }
  // The engine recorded its own failure; with noThrow the binding adds nothing.
  ASSERT_EQ(Ivi_ClearErrorInfo(0), VI_SUCCESS);
  EXPECT_EQ(binding.Ivi_ValidateSession(1), IVI_ERROR_INVALID_SESSION_HANDLE);
  EXPECT_EQ(peekErrorInfo(0).primary, IVI_ERROR_INVALID_SESSION_HANDLE);
}

TEST_F(BindingTest, WarningIsPendingUntilReadWithSecondaryZero) {
  const miivi::IviWrapper binding(vi_);
  IviStandin_InjectStatus("Ivi_ApplyDefaultSetup", kEngineWarning, 1);
  EXPECT_EQ(binding.Ivi_ApplyDefaultSetup(0), kEngineWarning);
  ViStatus primary = 0, secondary = -1;
  EXPECT_EQ(binding.Ivi_GetErrorInfo(&primary, &secondary, nullptr, 1), VI_SUCCESS);
  EXPECT_EQ(primary, kEngineWarning);
  EXPECT_EQ(secondary, 0);
  EXPECT_EQ(peekErrorInfo(vi_).primary, 0);  // read and cleared
}

TEST_F(BindingTest, SessionZeroWarningGoesToTheThread) {
  const miivi::IviWrapper binding;
  EXPECT_EQ(binding.getSession(), 0u);
  IviStandin_InjectStatus("Ivi_ClearErrorInfo", kEngineWarning, 1);
  EXPECT_EQ(binding.Ivi_ClearErrorInfo(0), kEngineWarning);
  EXPECT_EQ(peekErrorInfo(0).primary, kEngineWarning);
}

TEST_F(BindingTest, SizeQueryReturnsTheSizeAndRecordsNothing) {
  ASSERT_EQ(Ivi_SetAttributeViString(vi_, "", IVI_ATTR_DRIVER_SETUP, 0, "Model:GA"), VI_SUCCESS);
  const std::unique_ptr<miivi::IviWrapperInterface> binding = miivi::IviWrapperFactory().createBinding(vi_);
  EXPECT_EQ(binding->getSession(), vi_);
  EXPECT_EQ(binding->Ivi_GetAttributeViString("", IVI_ATTR_DRIVER_SETUP, 0, 0, nullptr, 0),
            static_cast<ViStatus>(sizeof "Model:GA"));
  char small[4];
  EXPECT_EQ(binding->Ivi_GetAttributeViString("", IVI_ATTR_DRIVER_SETUP, 0, sizeof small, small, 0),
            static_cast<ViStatus>(sizeof "Model:GA"));
  EXPECT_STREQ(small, "Mod");
  EXPECT_EQ(peekErrorInfo(vi_).primary, 0);
}

}  // namespace
