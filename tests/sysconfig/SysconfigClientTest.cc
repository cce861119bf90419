// The system configuration client against the service stand-in.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sysconfig/CmxDynamicPropertyBag.h"
#include "sysconfig/HResultException.h"
#include "sysconfig/SysAPIFrameworkLoader.h"
#include "vosysapi_standin.h"

namespace {

using sysapicpp::DeviceFramework;
using sysapicpp::DeviceRecord;
using sysapicpp::HResultException;
using sysapicpp::PropertyBagHandle;

const char kExperts[] = "acqo,tovikGC,tovikaux";
const char kTarget[] = "//localhost/acqo,tovikGC,tovikaux";

const char kInventory[] =
    "expert tovikGC\n"
    "expert acqo\n"
    "device PXI1Slot2\n"
    "  int32 0x1024000 1\n"
    "  uint32 0x1005000 0x700B\n"
    "  string 0x1007000 01A2B3C4\n"
    "  bool 0x1009000 0\n"
    "device Twin\n"
    "  string 0x1007000 first\n"
    "device Twin\n"
    "  string 0x1007000 second\n"
    "device Sim\n"
    "  bool 0x1009000 2\n"
    "  string 0x1007000 Ser-\xC3\xA4\xC3\x9F\xE2\x82\xAC\xF0\x9D\x84\x9E\n"
    "device Hidden\n"
    "  nobag\n"
    "device Hidden\n"
    "  string 0x1007000 visible\n"
    "device NoSerial\n"
    "  string 0x1007000 not-for-you\n"
    "  result getString 0x1007000 1\n";

class SysconfigClientTest : public testing::Test {
 protected:
  SysconfigClientTest() : config_(kInventory) {}

  void SetUp() override {
    VosysStandin_reset();
    liveBefore_ = VosysStandin_liveObjects();
    loader_ = std::make_unique<misysapiaccessor::SysAPIFrameworkLoader>(kExperts);
  }
  // Every reference the client took is given back once its holders go
  // (the loaders' frameworks only when the test lets them go).
  void TearDown() override {
    loader_.reset();
    misysapiaccessor::SysAPIFrameworkLoader::releaseKeptFrameworks();
    EXPECT_EQ(VosysStandin_liveObjects(), liveBefore_);
  }

 public:
  DeviceFramework& framework() { return loader_->getFramework(); }

  std::vector<DeviceRecord> find(const std::string& name) {
    PropertyBagHandle filter = framework().createPropertyBag();
    filter.setString(kVosysTagResourceName, name);
    return framework().findHardware(kTarget, 2, filter);
  }

  VosysStandinConfig config_;
  std::unique_ptr<misysapiaccessor::SysAPIFrameworkLoader> loader_;

 private:
  int64_t liveBefore_ = 0;
};

// The framework outlives its loader: the process-wide loader dies during
// static destruction, when releasing into the service is no longer safe.
TEST_F(SysconfigClientTest, ADestroyedLoaderKeepsItsFramework) {
  const int64_t withoutFramework = VosysStandin_liveObjects();
  framework();
  const int64_t withFramework = VosysStandin_liveObjects();
  ASSERT_GT(withFramework, withoutFramework);
  loader_.reset();
  EXPECT_EQ(VosysStandin_liveObjects(), withFramework);
  misysapiaccessor::SysAPIFrameworkLoader::releaseKeptFrameworks();
  EXPECT_EQ(VosysStandin_liveObjects(), withoutFramework);
}

TEST_F(SysconfigClientTest, FindsADeviceAndReadsItsProperties) {
  std::vector<DeviceRecord> found = find("PXI1Slot2");
  ASSERT_EQ(found.size(), 1u);
  const DeviceRecord& device = found[0];
  EXPECT_EQ(device.resourceName(), "PXI1Slot2");
  EXPECT_EQ(device.usableState(), 1);
  EXPECT_EQ(device.productId(), 0x700Bu);
  EXPECT_EQ(device.serialNumber(), "01A2B3C4");
  EXPECT_FALSE(device.isKeptSimulation());

  // Any non-zero Boolean is true; text outside the BMP survives both ways.
  found = find("Sim");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].isKeptSimulation());
  EXPECT_EQ(found[0].serialNumber(), "Ser-\xC3\xA4\xC3\x9F\xE2\x82\xAC\xF0\x9D\x84\x9E");
}

TEST_F(SysconfigClientTest, SearchResults) {
  struct Case {
    const char* name;
    std::vector<std::string> serials;
  };
  const Case kCases[] = {
      {"Twin", {"first", "second"}},  // service order, both kept
      {"Nobody", {}},                 // empty enumeration
      {"twin", {}},                   // names are compared exactly
      {"Hidden", {"visible"}},        // the item without a bag is skipped
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> serials;
    for (const DeviceRecord& device : find(c.name)) {
      serials.push_back(device.serialNumber());
    }
    EXPECT_EQ(serials, c.serials);
  }
}

TEST_F(SysconfigClientTest, EnumerationEndsOnAnyNonZeroResult) {
  ASSERT_EQ(VosysStandin_failNext("next", kVosysErrFail), kVosysOk);
  EXPECT_TRUE(find("Twin").empty());
  ASSERT_EQ(VosysStandin_failNext("next", 1), kVosysOk);
  EXPECT_TRUE(find("Twin").empty());
}

TEST_F(SysconfigClientTest, PositiveCodeFromStringReadYieldsEmptyText) {
  std::vector<DeviceRecord> found = find("NoSerial");
  ASSERT_EQ(found.size(), 1u);
  // The stand-in still hands a string over with the code; the client frees
  // it (the leak checker of the sanitizer build would notice otherwise).
  EXPECT_EQ(found[0].serialNumber(), "");
}

TEST_F(SysconfigClientTest, RecordTakesOverAFoundBag) {
  // The resolver's record starts with a bag of our own and takes the found
  // device's bag when the search succeeds.
  DeviceRecord record{PropertyBagHandle(CmxDynamicPropertyBag::create())};
  EXPECT_THROW(record.productId(), HResultException);
  std::vector<DeviceRecord> found = find("PXI1Slot2");
  ASSERT_EQ(found.size(), 1u);
  record = std::move(found[0]);
  EXPECT_EQ(record.productId(), 0x700Bu);
  EXPECT_EQ(record.serialNumber(), "01A2B3C4");

  DeviceRecord copy{PropertyBagHandle(CmxDynamicPropertyBag::create())};
  copy = record;
  EXPECT_EQ(copy.productId(), 0x700Bu);
  EXPECT_EQ(record.productId(), 0x700Bu);
}

TEST_F(SysconfigClientTest, ListsExpertsInServiceOrder) {
  std::vector<std::string> names;
  for (const sysapicpp::ExpertInfoHandle& expert : framework().listExperts(kTarget)) {
    names.push_back(expert.name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"tovikGC", "acqo"}));
}

TEST_F(SysconfigClientTest, FailedInstantiationKeepsNothingAndIsRetried) {
  ASSERT_EQ(VosysStandin_failNext("instantiate", kVosysErrFail), kVosysOk);
  EXPECT_THROW(loader_->getFramework(), HResultException);
  EXPECT_EQ(VosysStandin_callCount("instantiate"), 1u);

  DeviceFramework& first = loader_->getFramework();
  EXPECT_EQ(VosysStandin_callCount("instantiate"), 2u);
  EXPECT_EQ(&loader_->getFramework(), &first);
  EXPECT_EQ(VosysStandin_callCount("instantiate"), 2u);
}

// Each failing call throws with the service's code and the location of the
// call, and with nothing else in the report.
TEST_F(SysconfigClientTest, FailuresThrowWithCodeAndLocation) {
  struct Case {
    const char* operation;  // made to answer with `injected`
    int32_t injected;
    std::function<void(SysconfigClientTest&)> call;
    int32_t code;
    const char* report;
  };
  const auto readSerial = [](SysconfigClientTest& t) { t.find("PXI1Slot2").at(0).serialNumber(); };
  const int32_t kUnexpected = static_cast<int32_t>(0x8000FFFFu);
  const Case kCases[] = {
      {"instantiate", -11, [](SysconfigClientTest& t) { t.framework(); }, -11,
       R"({"file":"FrameworkHandle","line":59,"component":"tovik"})"},
      // Success without a framework is no success.
      {"instantiate", 1, [](SysconfigClientTest& t) { t.framework(); }, kUnexpected,
       R"({"file":"FrameworkHandle","line":59,"component":"tovik"})"},
      {"createPropertyBag", -12, [](SysconfigClientTest& t) { t.framework().createPropertyBag(); },
       -12, R"({"file":"FrameworkHandle","line":213,"component":"tovik"})"},
      {"queryInterface", kVosysErrNoInterface,
       [](SysconfigClientTest& t) { t.framework().createPropertyBag(); }, kUnexpected,
       R"({"file":"PropertyBagHandle","line":39,"component":"tovik"})"},
      {"createPropertyBag", 1, [](SysconfigClientTest& t) { t.framework().createPropertyBag(); },
       kUnexpected, R"({"file":"PropertyBagHandle","line":39,"component":"tovik"})"},
      {"setString", -13, [](SysconfigClientTest& t) { t.find("PXI1Slot2"); }, -13,
       R"({"file":"PropertyBagHandle","line":285,"component":"tovik"})"},
      {"findHardware", -14, [](SysconfigClientTest& t) { t.find("PXI1Slot2"); }, -14,
       R"({"file":"FrameworkHandle","line":245,"component":"tovik"})"},
      {"listExperts", -15, [](SysconfigClientTest& t) { t.framework().listExperts(kTarget); }, -15,
       R"({"file":"FrameworkHandle","line":298,"component":"tovik"})"},
      {"getName", -16,
       [](SysconfigClientTest& t) { t.framework().listExperts(kTarget).at(0).name(); }, -16,
       R"({"file":"ExpertInfoHandle","line":66,"component":"tovik"})"},
      {"getString", -17, readSerial, -17,
       R"({"file":"PropertyBagHandle","line":298,"component":"tovik"})"},
      {"getUInt32", -18, [](SysconfigClientTest& t) { t.find("PXI1Slot2").at(0).productId(); },
       -18, R"({"file":"PropertyBagHandle","line":298,"component":"tovik"})"},
      {"getInt32", -19, [](SysconfigClientTest& t) { t.find("PXI1Slot2").at(0).usableState(); },
       -19, R"({"file":"PropertyBagHandle","line":298,"component":"tovik"})"},
      {"getBool", -20,
       [](SysconfigClientTest& t) { t.find("PXI1Slot2").at(0).isKeptSimulation(); }, -20,
       R"({"file":"PropertyBagHandle","line":298,"component":"tovik"})"},
      // The service's own refusals travel the same way.
      {nullptr, 0,
       [](SysconfigClientTest& t) { t.find("Twin").at(0).getUInt32(kVosysTagSerialNumber); },
       kVosysErrPropertyTypeMismatch,
       R"({"file":"PropertyBagHandle","line":298,"component":"tovik"})"},
      {nullptr, 0, [](SysconfigClientTest& t) { t.find("Twin").at(0).productId(); },
       kVosysErrPropertyNotFound,
       R"({"file":"PropertyBagHandle","line":298,"component":"tovik"})"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.operation != nullptr ? c.operation : c.report);
    loader_ = std::make_unique<misysapiaccessor::SysAPIFrameworkLoader>(kExperts);
    if (c.operation != nullptr) {
      // The framework exists first unless instantiation is what fails.
      if (std::string(c.operation) != "instantiate") framework();
      ASSERT_EQ(VosysStandin_failNext(c.operation, c.injected), kVosysOk);
    }
    try {
      c.call(*this);
      ADD_FAILURE() << "no exception";
    } catch (const std::exception& caught) {
      const auto* failure = dynamic_cast<const HResultException*>(&caught);
      ASSERT_NE(failure, nullptr);
      EXPECT_EQ(failure->code(), c.code);
      EXPECT_EQ(failure->status().code, c.code);
      EXPECT_STREQ(failure->status().reportText(), c.report);
      EXPECT_STREQ(caught.what(), "");
    }
    VosysStandin_reset();
  }
}

}  // namespace
