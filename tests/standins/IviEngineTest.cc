// The IVI engine stand-in on one thread: option strings, attributes, error
// information, logical names, interchange strings, locks and hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>

#include <unistd.h>

#include "IviEngineTestSupport.h"

namespace {

using ivitest::driverSetupOf;
using ivitest::EngineTest;
using ivitest::openSession;
using ivitest::peekErrorInfo;

// A message-sized buffer followed by guard bytes that a call must not touch.
struct GuardedBuffer {
  GuardedBuffer() {
    std::fill(std::begin(text), std::end(text), '#');
    std::fill(std::begin(guard), std::end(guard), '#');
  }
  bool guardIntact() const { return std::count(std::begin(guard), std::end(guard), '#') == sizeof guard; }

  char text[IVI_MAX_MESSAGE_BUF_SIZE];
  char guard[8];
};

ViBoolean booleanOf(ViSession vi, ViAttr id) {
  ViBoolean value = 7;
  EXPECT_EQ(Ivi_GetAttributeViBoolean(vi, "", id, 0, &value), VI_SUCCESS);
  return value;
}

// ------------------------------------------------------------ option strings

struct OptionCase {
  const char* options;
  ViBoolean simulate, rangeCheck, queryStatus, cache, interchangeCheck, recordCoercions;
  const char* driverSetup;
};

TEST_F(EngineTest, OptionStringSetsTheEngineAttributes) {
  const OptionCase cases[] = {
      {nullptr, 0, 1, 0, 1, 0, 0, ""},
      {" \t\r\n", 0, 1, 0, 1, 0, 0, ""},
      {"Simulate=1", 1, 1, 0, 1, 0, 0, ""},
      {"simulate=TRUE, rangecheck=vi_false, QueryInstrStatus = true ,CACHE=0,InterchangeCheck=VI_TRUE,"
       "RecordCoercions=1",
       1, 0, 1, 0, 1, 1, ""},
      {"Simulate=false, DriverSetup=Model:GA;BoardType:PXIe", 0, 1, 0, 1, 0, 0, "Model:GA;BoardType:PXIe"},
      // DriverSetup is taken verbatim up to the next comma.
      {"DriverSetup= Model:GA , Simulate=1", 1, 1, 0, 1, 0, 0, " Model:GA "},
      {"driversetup=", 0, 1, 0, 1, 0, 0, ""},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.options ? c.options : "(null)");
    const ViSession vi = openSession(c.options);
    EXPECT_EQ(booleanOf(vi, IVI_ATTR_SIMULATE), c.simulate);
    EXPECT_EQ(Ivi_Simulating(vi), c.simulate);
    EXPECT_EQ(booleanOf(vi, IVI_ATTR_RANGE_CHECK), c.rangeCheck);
    EXPECT_EQ(Ivi_RangeChecking(vi), c.rangeCheck);
    EXPECT_EQ(Ivi_QueryInstrStatus(vi), c.queryStatus);
    EXPECT_EQ(booleanOf(vi, IVI_ATTR_CACHE), c.cache);
    EXPECT_EQ(Ivi_InterchangeCheck(vi), c.interchangeCheck);
    EXPECT_EQ(booleanOf(vi, IVI_ATTR_RECORD_COERCIONS), c.recordCoercions);
    EXPECT_EQ(driverSetupOf(vi), c.driverSetup);
  }
}

TEST_F(EngineTest, MalformedOptionStringCreatesNoSession) {
  const struct {
    const char* options;
    ViStatus code;
  } cases[] = {
      {"Simulate", IVI_ERROR_MISSING_OPTION_VALUE},
      {"Simulate=  ", IVI_ERROR_MISSING_OPTION_VALUE},
      {"=1", IVI_ERROR_MISSING_OPTION_NAME},
      {"Simulate=1,", IVI_ERROR_MISSING_OPTION_NAME},
      {"Simulate=1,,Cache=1", IVI_ERROR_MISSING_OPTION_NAME},
      {"Speed=1", IVI_ERROR_BAD_OPTION_NAME},
      {"Simulate=1, simulate=0", IVI_ERROR_BAD_OPTION_NAME},
      {"Simulate=yes", IVI_ERROR_BAD_OPTION_VALUE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_EQ(Ivi_ClearErrorInfo(0), VI_SUCCESS);
    ViSession vi = 99;
    EXPECT_EQ(Ivi_SpecificDriverNew("tovik", c.options, &vi), c.code);
    EXPECT_EQ(vi, 0u);
    EXPECT_EQ(IviStandin_OpenSessionCount(), 0);
    const ivitest::ErrorRecord error = peekErrorInfo(0);
    EXPECT_EQ(error.primary, c.code);
    EXPECT_NE(error.elaboration.find("Ivi_SpecificDriverNew"), std::string::npos) << error.elaboration;
  }
}

TEST_F(EngineTest, DriverSetupIsKeptTo511Characters) {
  const std::string long600(600, 'x');
  const std::string exact511(511, 'y');
  EXPECT_EQ(driverSetupOf(openSession(("DriverSetup=" + long600).c_str())), long600.substr(0, 511));
  EXPECT_EQ(driverSetupOf(openSession(("DriverSetup=" + exact511).c_str())), exact511);

  // The driver may write it; a direct user call may not.
  const ViSession vi = openSession("");
  EXPECT_EQ(Ivi_SetAttributeViString(vi, "", IVI_ATTR_DRIVER_SETUP, 0, long600.c_str()), VI_SUCCESS);
  EXPECT_EQ(driverSetupOf(vi), long600.substr(0, 511));
  EXPECT_EQ(Ivi_SetAttributeViString(vi, "", IVI_ATTR_DRIVER_SETUP, IVI_VAL_DIRECT_USER_CALL, "z"),
            IVI_ERROR_ATTR_NOT_WRITABLE);
}

// ------------------------------------------------------------------- buffers

TEST_F(EngineTest, StringGetterFollowsTheBufferRule) {
  const ViSession vi = openSession("DriverSetup=abcdef");
  const struct {
    ViInt32 size;
    bool withBuffer;
    ViStatus result;
    const char* contents;
  } cases[] = {
      {0, false, 7, nullptr},  // needed size, nothing written
      {0, true, 7, "#####"},   // ... not even into a buffer that is there
      {4, true, 7, "abc"},     // cut to size - 1, needed size returned
      {7, true, VI_SUCCESS, "abcdef"},
      {-1, true, IVI_ERROR_INVALID_VALUE, "#####"},
      {5, false, IVI_ERROR_NULL_POINTER, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    char buffer[16] = "#####";
    EXPECT_EQ(Ivi_GetAttributeViString(vi, "", IVI_ATTR_DRIVER_SETUP, 0, c.size, c.withBuffer ? buffer : nullptr),
              c.result);
    if (c.contents) {
      EXPECT_STREQ(buffer, c.contents);
    }
  }
  // A bad argument names its position as secondary code (the first one,
  // bufSize, is the error kept).
  EXPECT_EQ(peekErrorInfo(vi).secondary, Ivi_ParamPositionError(5));
}

// ---------------------------------------------------------------- attributes

TEST_F(EngineTest, AttributesOfEveryTypeRoundTrip) {
  const ViSession vi = openSession("");
  int marker = 0;
  ASSERT_EQ(Ivi_AddAttributeViInt32(vi, 1150001, "INT32", 5, 0, nullptr, nullptr, nullptr), VI_SUCCESS);
  ASSERT_EQ(Ivi_AddAttributeViInt64(vi, 1150002, "INT64", 6, 0, nullptr, nullptr, nullptr), VI_SUCCESS);
  ASSERT_EQ(Ivi_AddAttributeViReal64(vi, 1150003, "REAL64", 0.5, 0, nullptr, nullptr, nullptr, 14), VI_SUCCESS);
  ASSERT_EQ(Ivi_AddAttributeViString(vi, 1150004, "STRING", "initial", 0, nullptr, nullptr), VI_SUCCESS);
  ASSERT_EQ(Ivi_AddAttributeViBoolean(vi, 1150005, "BOOLEAN", VI_FALSE, 0, nullptr, nullptr), VI_SUCCESS);
  ASSERT_EQ(Ivi_AddAttributeViSession(vi, 1150006, "SESSION", 0, 0, nullptr, nullptr), VI_SUCCESS);
  ASSERT_EQ(Ivi_AddAttributeViAddr(vi, 1150007, "ADDR", nullptr, 0, nullptr, nullptr), VI_SUCCESS);

  ViInt32 int32 = 0;
  ASSERT_EQ(Ivi_GetAttributeViInt32(vi, "", 1150001, 0, &int32), VI_SUCCESS);
  EXPECT_EQ(int32, 5);  // the default
  char text[32] = {};
  ASSERT_EQ(Ivi_GetAttributeViString(vi, "", 1150004, 0, sizeof text, text), VI_SUCCESS);
  EXPECT_STREQ(text, "initial");

  EXPECT_EQ(Ivi_SetAttributeViInt32(vi, "", 1150001, 0, -7), VI_SUCCESS);
  EXPECT_EQ(Ivi_SetAttributeViInt64(vi, "", 1150002, 0, 1LL << 40), VI_SUCCESS);
  EXPECT_EQ(Ivi_SetAttributeViReal64(vi, "", 1150003, 0, 2.25), VI_SUCCESS);
  EXPECT_EQ(Ivi_SetAttributeViString(vi, "", 1150004, 0, "changed"), VI_SUCCESS);
  EXPECT_EQ(Ivi_SetAttributeViBoolean(vi, "", 1150005, 0, VI_TRUE), VI_SUCCESS);
  EXPECT_EQ(Ivi_SetAttributeViSession(vi, "", 1150006, 0, 42), VI_SUCCESS);
  EXPECT_EQ(Ivi_SetAttributeViAddr(vi, "", 1150007, 0, &marker), VI_SUCCESS);

  ViInt64 int64 = 0;
  ViReal64 real64 = 0;
  ViBoolean boolean = 0;
  ViSession session = 0;
  ViAddr address = nullptr;
  EXPECT_EQ(Ivi_GetAttributeViInt32(vi, nullptr, 1150001, 0, &int32), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViInt64(vi, nullptr, 1150002, 0, &int64), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViReal64(vi, nullptr, 1150003, 0, &real64), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViString(vi, nullptr, 1150004, 0, sizeof text, text), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViBoolean(vi, nullptr, 1150005, 0, &boolean), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViSession(vi, nullptr, 1150006, 0, &session), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetAttributeViAddr(vi, nullptr, 1150007, 0, &address), VI_SUCCESS);
  EXPECT_EQ(int32, -7);
  EXPECT_EQ(int64, 1LL << 40);
  EXPECT_EQ(real64, 2.25);
  EXPECT_STREQ(text, "changed");
  EXPECT_EQ(boolean, VI_TRUE);
  EXPECT_EQ(session, 42u);
  EXPECT_EQ(address, &marker);

  ViInt32 type = 0;
  EXPECT_EQ(Ivi_GetAttributeType(vi, 1150003, &type), VI_SUCCESS);
  EXPECT_EQ(type, IVI_VAL_REAL64);
}

TEST_F(EngineTest, AttributeMisuseIsRefusedAndRecorded) {
  const ViSession vi = openSession("");
  ViInt32 int32 = 0;
  ViBoolean boolean = 0;
  const struct {
    const char* what;
    std::function<ViStatus()> call;
    ViStatus code;
  } cases[] = {
      {"unknown attribute", [&] { return Ivi_GetAttributeViInt32(vi, "", 1159999, 0, &int32); },
       IVI_ERROR_INVALID_ATTRIBUTE},
      {"wrong type", [&] { return Ivi_GetAttributeViInt32(vi, "", IVI_ATTR_SIMULATE, 0, &int32); },
       IVI_ERROR_TYPES_DO_NOT_MATCH},
      {"read-only", [&] { return Ivi_SetAttributeViString(vi, "", IVI_ATTR_SPECIFIC_DRIVER_PREFIX, 0, "x"); },
       IVI_ERROR_ATTR_NOT_WRITABLE},
      {"error information is read-only", [&] { return Ivi_SetAttributeViInt32(vi, "", IVI_ATTR_PRIMARY_ERROR, 0, 1); },
       IVI_ERROR_ATTR_NOT_WRITABLE},
      {"channel", [&] { return Ivi_GetAttributeViBoolean(vi, "CH1", IVI_ATTR_SIMULATE, 0, &boolean); },
       IVI_ERROR_UNKNOWN_CHANNEL_NAME},
      {"session 0 has no engine attributes",
       [&] { return Ivi_GetAttributeViBoolean(0, "", IVI_ATTR_SIMULATE, 0, &boolean); },
       IVI_ERROR_INVALID_SESSION_HANDLE},
      {"set on session 0", [&] { return Ivi_SetAttributeViBoolean(0, "", IVI_ATTR_SIMULATE, 0, VI_TRUE); },
       IVI_ERROR_INVALID_SESSION_HANDLE},
      {"existing id", [&] { return Ivi_AddAttributeViInt32(vi, IVI_ATTR_CACHE, "X", 0, 0, nullptr, nullptr, nullptr); },
       IVI_ERROR_ATTRIBUTE_EXISTS},
      {"callbacks",
       [&] {
         return Ivi_AddAttributeViInt32(vi, 1150010, "X", 0, 0, nullptr, nullptr,
                                        reinterpret_cast<IviRangeTablePtr>(&int32));
       },
       IVI_ERROR_FUNCTION_NOT_SUPPORTED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(Ivi_ClearErrorInfo(vi), VI_SUCCESS);
    EXPECT_EQ(c.call(), c.code);
    EXPECT_EQ(peekErrorInfo(0).primary, c.code);
  }
}

TEST_F(EngineTest, AttributeNamesAreKnownForSessionsAndSessionZero) {
  const ViSession vi = openSession("");
  ASSERT_EQ(Ivi_AddAttributeViInt32(vi, 1150020, "TOVIK_ATTR_FREQUENCY", 0, 0, nullptr, nullptr, nullptr), VI_SUCCESS);
  char name[256] = {};
  EXPECT_EQ(Ivi_GetAttributeName(0, IVI_ATTR_DRIVER_SETUP, name, sizeof name), VI_SUCCESS);
  EXPECT_STREQ(name, "IVI_ATTR_DRIVER_SETUP");
  EXPECT_EQ(Ivi_GetAttributeName(vi, 1150020, name, sizeof name), VI_SUCCESS);
  EXPECT_STREQ(name, "TOVIK_ATTR_FREQUENCY");
  EXPECT_EQ(Ivi_GetAttributeName(vi, 1150020, nullptr, 0), static_cast<ViStatus>(sizeof "TOVIK_ATTR_FREQUENCY"));

  // A failed lookup leaves an error behind that Ivi_ClearErrorInfo removes.
  EXPECT_EQ(Ivi_GetAttributeName(vi, 1150021, name, sizeof name), IVI_ERROR_INVALID_ATTRIBUTE);
  EXPECT_EQ(Ivi_GetAttributeName(0, 1150020, name, sizeof name), IVI_ERROR_INVALID_ATTRIBUTE);
  EXPECT_EQ(Ivi_GetAttributeName(vi + 100, IVI_ATTR_CACHE, name, sizeof name), IVI_ERROR_INVALID_SESSION_HANDLE);
  EXPECT_EQ(peekErrorInfo(vi).primary, IVI_ERROR_INVALID_ATTRIBUTE);
  EXPECT_EQ(Ivi_ClearErrorInfo(vi), VI_SUCCESS);
  EXPECT_EQ(peekErrorInfo(vi).primary, 0);
  EXPECT_EQ(peekErrorInfo(0).primary, 0);
}

// --------------------------------------------------------- error information

TEST_F(EngineTest, SetErrorInfoWithoutOverwriteFollowsPrecedence) {
  const ViStatus warning = 0x3FFA0001, otherWarning = 0x3FFA0002;
  const ViStatus error = IVI_ERROR_INVALID_VALUE, otherError = IVI_ERROR_CANNOT_RECOVER;
  const struct {
    ViStatus stored, incoming;
    ViBoolean overwrite;
    ViStatus expected;
  } cases[] = {
      {0, warning, VI_FALSE, warning},          {0, error, VI_FALSE, error},
      {warning, error, VI_FALSE, error},        {warning, otherWarning, VI_FALSE, warning},
      {error, warning, VI_FALSE, error},        {error, otherError, VI_FALSE, error},
      {error, otherError, VI_TRUE, otherError}, {error, 0, VI_TRUE, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.stored << " then " << c.incoming << " overwrite " << c.overwrite);
    ASSERT_EQ(Ivi_ClearErrorInfo(0), VI_SUCCESS);
    ASSERT_EQ(Ivi_SetErrorInfo(0, VI_FALSE, c.stored, 1, "first"), VI_SUCCESS);
    ASSERT_EQ(Ivi_SetErrorInfo(0, c.overwrite, c.incoming, 2, "second"), VI_SUCCESS);
    const ivitest::ErrorRecord record = peekErrorInfo(0);
    EXPECT_EQ(record.primary, c.expected);
    // Secondary code and elaboration travel with the primary code.
    const bool replaced = c.overwrite || c.expected != c.stored;
    EXPECT_EQ(record.secondary, replaced ? 2 : 1);
    EXPECT_EQ(record.elaboration, replaced ? "second" : "first");
  }
}

TEST_F(EngineTest, SessionErrorReachesTheThreadAndIsReadOnce) {
  const ViSession vi = openSession("");
  ASSERT_EQ(Ivi_SetErrorInfo(vi, VI_FALSE, IVI_ERROR_INVALID_VALUE, 0, "bad value"), VI_SUCCESS);
  EXPECT_EQ(peekErrorInfo(vi).primary, IVI_ERROR_INVALID_VALUE);
  EXPECT_EQ(peekErrorInfo(0).elaboration, "bad value");  // peeking clears nothing

  ViStatus primary = 0, secondary = -1;
  char elaboration[IVI_MAX_MESSAGE_BUF_SIZE] = {};
  ASSERT_EQ(Ivi_GetErrorInfo(vi, &primary, &secondary, elaboration), VI_SUCCESS);
  EXPECT_EQ(primary, IVI_ERROR_INVALID_VALUE);
  EXPECT_EQ(secondary, 0);
  EXPECT_STREQ(elaboration, "bad value");
  // The same error does not come back through the thread.
  ASSERT_EQ(Ivi_GetErrorInfo(0, &primary, &secondary, nullptr), VI_SUCCESS);
  EXPECT_EQ(primary, 0);
}

TEST_F(EngineTest, ThreadKeepsItsOwnEarlierError) {
  const ViSession vi = openSession("");
  ASSERT_EQ(Ivi_SetErrorInfo(0, VI_FALSE, IVI_ERROR_CANNOT_RECOVER, 0, "thread"), VI_SUCCESS);
  ASSERT_EQ(Ivi_SetErrorInfo(vi, VI_FALSE, IVI_ERROR_INVALID_VALUE, 0, "session"), VI_SUCCESS);
  ViStatus primary = 0;
  ASSERT_EQ(Ivi_GetErrorInfo(vi, &primary, nullptr, nullptr), VI_SUCCESS);
  EXPECT_EQ(primary, IVI_ERROR_INVALID_VALUE);
  ASSERT_EQ(Ivi_GetErrorInfo(0, &primary, nullptr, nullptr), VI_SUCCESS);
  EXPECT_EQ(primary, IVI_ERROR_CANNOT_RECOVER);
}

TEST_F(EngineTest, UnknownSessionUsesTheThreadsErrorInfo) {
  ASSERT_EQ(Ivi_SetErrorInfo(777, VI_FALSE, IVI_ERROR_INVALID_VALUE, 0, nullptr), VI_SUCCESS);
  ViStatus primary = 0;
  ASSERT_EQ(Ivi_GetErrorInfo(777, &primary, nullptr, nullptr), VI_SUCCESS);
  EXPECT_EQ(primary, IVI_ERROR_INVALID_VALUE);
  EXPECT_EQ(peekErrorInfo(0).primary, 0);
}

TEST_F(EngineTest, LongElaborationsAreCut) {
  const std::string text(2000, 'e');
  ASSERT_EQ(Ivi_SetErrorInfo(0, VI_FALSE, IVI_ERROR_INVALID_VALUE, 0, text.c_str()), VI_SUCCESS);
  EXPECT_EQ(peekErrorInfo(0).elaboration, text.substr(0, IVI_MAX_ERROR_ELABORATION_SIZE - 1));
  GuardedBuffer elaboration;
  ASSERT_EQ(Ivi_GetErrorInfo(0, nullptr, nullptr, elaboration.text), VI_SUCCESS);
  EXPECT_EQ(std::strlen(elaboration.text), IVI_MAX_MESSAGE_BUF_SIZE - 1u);
  EXPECT_TRUE(elaboration.guardIntact());
}

TEST_F(EngineTest, ParamPositionErrorsAreDistinct) {
  ViStatus previous = 0;
  for (ViInt32 n = 1; n <= 9; ++n) {
    const ViStatus code = Ivi_ParamPositionError(n);
    EXPECT_LT(code, 0) << n;
    EXPECT_NE(code, previous) << n;
    previous = code;
  }
  EXPECT_EQ(Ivi_ParamPositionError(0), IVI_ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Ivi_ParamPositionError(10), IVI_ERROR_INVALID_PARAMETER);
}

TEST_F(EngineTest, StatusMessages) {
  char message[IVI_MAX_MESSAGE_BUF_SIZE];
  ASSERT_EQ(Ivi_GetErrorMessage(IVI_ERROR_INVALID_SESSION_HANDLE, message), VI_SUCCESS);
  EXPECT_STREQ(message, "The session handle is not valid.");
  ASSERT_EQ(Ivi_GetErrorMessage(0x3FFA7777, message), VI_SUCCESS);
  EXPECT_STREQ(message, "Unknown status code 0x3FFA7777.");
  EXPECT_EQ(Ivi_GetErrorMessageLocalized(IVI_ERROR_OUT_OF_MEMORY, 0, 0, nullptr),
            static_cast<ViStatus>(sizeof "Out of memory."));
}

// ------------------------------------------------------------- logical names

class LogicalNameTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = testing::TempDir() + "ivi_standin_" + std::to_string(::getpid()) + ".conf";
    setenv(IVI_STANDIN_CONFIG_ENV, path_.c_str(), 1);
  }
  void TearDown() override {
    std::remove(path_.c_str());
    unsetenv(IVI_STANDIN_CONFIG_ENV);
    EngineTest::TearDown();
  }
  void writeConfig(const std::string& text) { std::ofstream(path_) << text; }

  struct Info {
    ViStatus status;
    std::string resource, options;
    ViBoolean logical;

    bool operator==(const Info& other) const {
      return status == other.status && resource == other.resource && options == other.options &&
             logical == other.logical;
    }
    friend std::ostream& operator<<(std::ostream& out, const Info& info) {
      return out << info.status << " '" << info.resource << "' '" << info.options << "' " << info.logical;
    }
  };
  Info lookUp(const char* name, const char* options = "Cache=0") {
    char resource[IVI_MAX_MESSAGE_BUF_SIZE] = {}, configured[IVI_MAX_MESSAGE_BUF_SIZE] = {};
    ViBoolean logical = 9;
    const ViStatus status = Ivi_GetInfoFromResourceName(name, options, resource, configured, &logical);
    return {status, resource, configured, logical};
  }

  std::string path_;
};

TEST_F(LogicalNameTest, ConfiguredNameGivesItsResourceAndOptions) {
  writeConfig(
      "# test fixture\n"
      "[LogicalName MyFgen]\n"
      "  ResourceName = PXI1Slot2\n"
      "OptionString = Simulate=1, DriverSetup=Model:GA\n"
      "\n"
      "; a second one without options\n"
      "[LogicalName Other]\n"
      "resourcename=TCPIP0::10.0.0.1::INSTR\n");
  EXPECT_EQ(lookUp("myFGEN"), (Info{VI_SUCCESS, "PXI1Slot2", "Simulate=1, DriverSetup=Model:GA", VI_TRUE}));
  EXPECT_EQ(lookUp("Other"), (Info{VI_SUCCESS, "TCPIP0::10.0.0.1::INSTR", "", VI_TRUE}));
  EXPECT_EQ(lookUp("PXI1Slot3"), (Info{VI_SUCCESS, "PXI1Slot3", "Cache=0", VI_FALSE}));
}

TEST_F(LogicalNameTest, MissingFileMeansNoLogicalNames) {
  EXPECT_EQ(lookUp("MyFgen", nullptr), (Info{VI_SUCCESS, "MyFgen", "", VI_FALSE}));
}

TEST_F(LogicalNameTest, LongNamesStayInsideTheBuffers) {
  const std::string name(300, 'n');
  GuardedBuffer resource, options;
  ViBoolean logical = 0;
  ASSERT_EQ(Ivi_GetInfoFromResourceName(name.c_str(), name.c_str(), resource.text, options.text, &logical),
            VI_SUCCESS);
  EXPECT_EQ(std::string(resource.text), name.substr(0, 255));
  EXPECT_EQ(std::string(options.text), name.substr(0, 255));
  EXPECT_TRUE(resource.guardIntact());
  EXPECT_TRUE(options.guardIntact());
}

TEST_F(LogicalNameTest, InvalidConfigurationIsAnError) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"[LogicalName A]\nOptionString=Simulate=1\n", ":1: logical name without ResourceName"},
      {"[LogicalName A]\nResourceName=X\nModel=GA\n", ":3: unknown key 'Model'"},
      {"ResourceName=X\n", ":1: key outside"},
      {"[LogicalName A]\nResourceName=X\n[LogicalName a]\nResourceName=Y\n", ":3: logical name 'a' defined twice"},
      {"[LogicalName A]\nResourceName=X\nresourceName=Y\n", ":3: key 'resourceName' given twice"},
      {"[Driver A]\n", ":1: expected [LogicalName <name>]"},
      {"[LogicalName A]\njust text\n", ":2: expected 'key = value'"},
      {"[LogicalName A]\nResourceName=", ":2: value longer than 255"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    if (text.back() == '=') text += std::string(256, 'r') + "\n";
    writeConfig(text);
    ASSERT_EQ(Ivi_ClearErrorInfo(0), VI_SUCCESS);
    EXPECT_EQ(lookUp("A").status, IVI_ERROR_INVALID_CONFIGURATION);
    const std::string elaboration = peekErrorInfo(0).elaboration;
    EXPECT_NE(elaboration.find(path_ + c.reason), std::string::npos) << elaboration;
  }
}

// ------------------------------------------------------ interchange strings

TEST_F(EngineTest, InterchangeStringsLeaveTheQueueWhenFetchedWhole) {
  const ViSession vi = openSession("InterchangeCheck=1");
  ASSERT_EQ(Ivi_LogInterchangeWarning(vi, "first"), VI_SUCCESS);
  ASSERT_EQ(Ivi_LogInterchangeWarning(vi, "second"), VI_SUCCESS);
  char buffer[16] = {};
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, 0, nullptr), 6);
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, 3, buffer), 6);
  EXPECT_STREQ(buffer, "fi");
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, 6, buffer), VI_SUCCESS);
  EXPECT_STREQ(buffer, "first");
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, sizeof buffer, buffer), VI_SUCCESS);
  EXPECT_STREQ(buffer, "second");
  // Empty: an empty string, whose size is 1.
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, 0, nullptr), 1);
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, sizeof buffer, buffer), VI_SUCCESS);
  EXPECT_STREQ(buffer, "");

  ASSERT_EQ(Ivi_LogInterchangeWarning(vi, "third"), VI_SUCCESS);
  ASSERT_EQ(Ivi_ClearInterchangeWarnings(vi), VI_SUCCESS);
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi, 0, nullptr), 1);
  EXPECT_EQ(Ivi_GetNextInterchangeCheckString(vi + 1, 0, nullptr), IVI_ERROR_INVALID_SESSION_HANDLE);
}

// ------------------------------------------------- session life and locking

TEST_F(EngineTest, DisposedSessionIsGone) {
  const ViSession first = openSession("Simulate=1");
  const ViSession second = openSession("");
  EXPECT_NE(first, second);
  EXPECT_EQ(IviStandin_OpenSessionCount(), 2);
  EXPECT_EQ(Ivi_Dispose(first), VI_SUCCESS);
  EXPECT_EQ(IviStandin_OpenSessionCount(), 1);
  EXPECT_EQ(Ivi_Dispose(first), IVI_ERROR_INVALID_SESSION_HANDLE);
  EXPECT_EQ(Ivi_ValidateSession(first), IVI_ERROR_INVALID_SESSION_HANDLE);
  EXPECT_EQ(Ivi_SessionIsAvailable(first), VI_FALSE);
  EXPECT_EQ(Ivi_Simulating(first), VI_FALSE);
  EXPECT_EQ(Ivi_ValidateSession(second), VI_SUCCESS);
  EXPECT_EQ(Ivi_Dispose(0), IVI_ERROR_INVALID_SESSION_HANDLE);
}

TEST_F(EngineTest, CallerHasLockMakesLockingIdempotent) {
  const ViSession vi = openSession("");
  ViBoolean hasLock = VI_FALSE;
  EXPECT_EQ(Ivi_LockSession(vi, &hasLock), VI_SUCCESS);
  EXPECT_EQ(hasLock, VI_TRUE);
  EXPECT_EQ(Ivi_LockSession(vi, &hasLock), VI_SUCCESS);  // held already: nothing happens
  EXPECT_EQ(Ivi_UnlockSession(vi, &hasLock), VI_SUCCESS);
  EXPECT_EQ(hasLock, VI_FALSE);
  EXPECT_EQ(Ivi_UnlockSession(vi, &hasLock), VI_SUCCESS);  // not held: nothing happens
  // So the one unlock above released the lock entirely.
  EXPECT_EQ(Ivi_UnlockSession(vi, nullptr), IVI_ERROR_SESSION_NOT_LOCKED);

  // Without the flag the lock nests.
  EXPECT_EQ(Ivi_LockSession(vi, nullptr), VI_SUCCESS);
  EXPECT_EQ(Ivi_LockSession(vi, nullptr), VI_SUCCESS);
  EXPECT_EQ(Ivi_UnlockSession(vi, nullptr), VI_SUCCESS);
  EXPECT_EQ(Ivi_UnlockSession(vi, nullptr), VI_SUCCESS);
  EXPECT_EQ(Ivi_UnlockSession(vi, nullptr), IVI_ERROR_SESSION_NOT_LOCKED);
  EXPECT_EQ(Ivi_LockSession(vi + 1, nullptr), IVI_ERROR_INVALID_SESSION_HANDLE);
}

// ------------------------------------------------------ stubs and the hooks

TEST_F(EngineTest, FunctionsWithoutImplementationSaySo) {
  const ViSession vi = openSession("");
  EXPECT_EQ(Ivi_ApplyDefaultSetup(vi), IVI_ERROR_FUNCTION_NOT_SUPPORTED);
  ivitest::ErrorRecord error = peekErrorInfo(vi);
  EXPECT_EQ(error.primary, IVI_ERROR_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(error.elaboration, "Ivi_ApplyDefaultSetup is not supported by the IVI engine stand-in");

  ASSERT_EQ(Ivi_ClearErrorInfo(vi), VI_SUCCESS);
  EXPECT_EQ(Ivi_NeedToCheckStatus(vi), VI_FALSE);
  EXPECT_EQ(peekErrorInfo(vi).primary, IVI_ERROR_FUNCTION_NOT_SUPPORTED);
  ASSERT_EQ(Ivi_ClearErrorInfo(vi), VI_SUCCESS);
  EXPECT_EQ(Ivi_ValidateRangeTable(nullptr), IVI_ERROR_FUNCTION_NOT_SUPPORTED);
  EXPECT_EQ(peekErrorInfo(0).primary, IVI_ERROR_FUNCTION_NOT_SUPPORTED);
}

TEST_F(EngineTest, InjectedStatusIsReturnedForTheGivenCalls) {
  const ViSession vi = openSession("");
  const ViStatus warning = 0x3FFA0042;
  IviStandin_InjectStatus("Ivi_ValidateSession", warning, 2);
  EXPECT_EQ(Ivi_ValidateSession(vi), warning);
  EXPECT_EQ(IviStandin_LastInjectedSession(), vi);
  EXPECT_EQ(Ivi_ValidateSession(vi + 1), warning);  // instead of doing the work
  EXPECT_EQ(Ivi_ValidateSession(vi), VI_SUCCESS);
  EXPECT_EQ(peekErrorInfo(vi).primary, 0);  // injected statuses are not recorded

  IviStandin_InjectStatus("Ivi_ValidateSession", IVI_ERROR_CANNOT_RECOVER, 5);
  IviStandin_InjectStatus("Ivi_ValidateSession", 0, 0);
  EXPECT_EQ(Ivi_ValidateSession(vi), VI_SUCCESS);
}

}  // namespace
