// Option string information against the engine stand-in, whose logical
// names come from fixtures/logical_names.conf (IVI_STANDIN_CONFIG).
#include <gtest/gtest.h>

#include <clocale>
#include <memory>
#include <stdexcept>
#include <string>

#include "IviStandin.h"
#include "ivi/IviWrapper.h"
#include "ivi/OptionStringInformation.h"
#include "status/Exception.h"

namespace {

using miivi::OptionStringInformation;

class OptionStringTest : public ::testing::Test {
 protected:
  void SetUp() override { IviStandin_Reset(); }
  void TearDown() override {
    // Whatever happened, the temporary engine session is gone.
    EXPECT_EQ(IviStandin_OpenSessionCount(), 0);
    IviStandin_Reset();
  }

  OptionStringInformation make(const char* resourceName, const char* optionString) {
    return OptionStringInformation(resourceName, optionString, factory_, "tovik");
  }

  // The code of the voerr::Exception that building the record throws.
  ViStatus failureOf(const char* resourceName, const char* optionString) {
    try {
      make(resourceName, optionString);
    } catch (const voerr::Exception& exception) {
      return exception.status().code;
    }
    ADD_FAILURE() << "no exception";
    return 0;
  }

  ViStatus threadError() {
    ViStatus primary = 0;
    EXPECT_EQ(Ivi_GetAttributeViInt32(0, nullptr, IVI_ATTR_PRIMARY_ERROR, 0, &primary), VI_SUCCESS);
    return primary;
  }

  miivi::IviWrapperFactory factory_;
};

TEST_F(OptionStringTest, SimulationWithTrailingDriverSetup) {
  const char* options = "Simulate=1, RangeCheck=0, DriverSetup=Model:GA;BoardType:PXIe";
  const OptionStringInformation info = make("PXI1Slot5", options);
  EXPECT_EQ(info.getResourceName(), "PXI1Slot5");
  EXPECT_EQ(info.getOptionString(), options);
  EXPECT_FALSE(info.isLogicalName());
  EXPECT_TRUE(info.isSimulated());
  EXPECT_EQ(info.getDriverSetup(), "Model:GA;BoardType:PXIe");
  // The DriverSetup size query is no warning.
  EXPECT_EQ(threadError(), 0);
}

TEST_F(OptionStringTest, NullOptionStringIsEmpty) {
  const OptionStringInformation info = make("PXI1Slot5", nullptr);
  EXPECT_EQ(info.getOptionString(), "");
  EXPECT_FALSE(info.isSimulated());
  EXPECT_EQ(info.getDriverSetup(), "");
}

TEST_F(OptionStringTest, LogicalNameGivesItsConfiguration) {
  const OptionStringInformation info = make("myfgen", "Cache=0");
  EXPECT_EQ(info.getResourceName(), "PXI1Slot2");
  EXPECT_EQ(info.getOptionString(), "Simulate=1, DriverSetup=Model:GA;BoardType:PXIe");
  EXPECT_TRUE(info.isLogicalName());
  EXPECT_TRUE(info.isSimulated());
  EXPECT_EQ(info.getDriverSetup(), "Model:GA;BoardType:PXIe");
}

TEST_F(OptionStringTest, DriverSetupCutByTheEngineIsRecovered) {
  const std::string long600 = "Model:GA;Comment:" + std::string(583, 'c');
  const std::string exact511 = "Model:GA;Comment:" + std::string(494, 'c');
  ASSERT_EQ(long600.size(), 600u);
  ASSERT_EQ(exact511.size(), 511u);
  EXPECT_EQ(make("PXI1Slot5", ("Simulate=1,DriverSetup=" + long600).c_str()).getDriverSetup(), long600);
  EXPECT_EQ(make("PXI1Slot5", ("DriverSetup=" + exact511 + ",Simulate=1").c_str()).getDriverSetup(), exact511);
}

TEST_F(OptionStringTest, ResourceNameIsConvertedInTheCurrentLocale) {
  const char* name = "Ger\xc3\xa4t-\xe2\x82\xac";  // "Gerät-€" in UTF-8
  const std::string saved = std::setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  EXPECT_EQ(make(name, "").getResourceName(), name);
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  EXPECT_EQ(failureOf(name, ""), -52027);
  std::setlocale(LC_CTYPE, saved.c_str());
}

TEST_F(OptionStringTest, EngineErrorsLeaveAsExceptions) {
  EXPECT_EQ(failureOf("PXI1Slot5", "Simulate=maybe"), IVI_ERROR_BAD_OPTION_VALUE);
  EXPECT_EQ(failureOf(nullptr, ""), IVI_ERROR_NULL_POINTER);
}

// A binding whose DriverSetup fetch (the call after the size query) throws.
class FetchFails : public miivi::IviWrapper {
 public:
  using IviWrapper::IviWrapper;
  ViStatus Ivi_GetAttributeViString(ViConstString channelName, ViAttr attributeId, IviAttrFlags optionFlags,
                                    ViInt32 bufSize, ViChar value[], ViInt32 noThrow) const override {
    if (bufSize > 0) throw std::runtime_error("fetch failed");
    return IviWrapper::Ivi_GetAttributeViString(channelName, attributeId, optionFlags, bufSize, value, noThrow);
  }
};

struct FetchFailsFactory : miivi::IviWrapperFactoryInterface {
  std::unique_ptr<miivi::IviWrapperInterface> createBinding(ViSession session) const override {
    return std::make_unique<FetchFails>(session);
  }
};

TEST_F(OptionStringTest, TemporarySessionIsDisposedWhenALaterStepFails) {
  IviStandin_InjectStatus("Ivi_GetAttributeViString", IVI_ERROR_CANNOT_RECOVER, 1);
  EXPECT_EQ(failureOf("PXI1Slot5", "Simulate=1"), IVI_ERROR_CANNOT_RECOVER);
  EXPECT_EQ(IviStandin_OpenSessionCount(), 0);

  const FetchFailsFactory fetchFails;
  EXPECT_THROW(OptionStringInformation("PXI1Slot5", "DriverSetup=Model:GA", fetchFails, "tovik"),
               std::runtime_error);
}

TEST_F(OptionStringTest, SessionZeroWarningIsRecordedForTheThread) {
  IviStandin_InjectStatus("Ivi_GetInfoFromResourceName", 0x3FFA7003, 1);
  const OptionStringInformation info = make("PXI1Slot5", "Simulate=1");
  EXPECT_EQ(info.getResourceName(), "PXI1Slot5");
  EXPECT_TRUE(info.isSimulated());
  EXPECT_EQ(threadError(), 0x3FFA7003);
}

}  // namespace
