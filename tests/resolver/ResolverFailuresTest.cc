// The resolver's refusals of a real session against the service stand-in.
#include <gtest/gtest.h>

#include <string>

#include "../driversetup/ThrownStatus.h"
#include "plugins/ProductIDMap.h"
#include "resolver/PluginResolver.h"
#include "status/StatusCodes.h"
#include "sysconfig/SysAPIFrameworkLoader.h"
#include "vosysapi_standin.h"

namespace {

using driversetup_test::expectRaised;
using driversetup_test::thrownBy;
using driversetup_test::usageItem;

// The raise site of a report: everything before "component".
std::string site(const std::string& report) {
  return report.substr(0, report.find(R"(,"component")"));
}

// A name no device has and a device that may not be used without
// simulation fail alike, but from sites of their own, so that their
// reports can be told apart.
TEST(ResolverFailures, UnknownAndUnusableDevicesComeFromTheirOwnSites) {
  VosysStandinConfig config("device Unusable\n  int32 0x1024000 0\n  uint32 0x1005000 0x700B\n");
  const dvl::ProductIDMap<unsigned int, tovik::PluginKey> map(
      voerr::codes::kBadOptionValue.code, dvl::productTable());
  misysapiaccessor::SysAPIFrameworkLoader loader(tovik::expertList());
  tovik::PluginResolver resolver(map, loader.getFramework());
  const auto resolve = [&](const char* name) {
    return thrownBy([&] { resolver.resolveResourceName(name, false, false, true, false, nullptr); });
  };

  const driversetup_test::Thrown unknown = resolve("NoSuchDevice");
  const driversetup_test::Thrown unusable = resolve("Unusable");
  expectRaised(unknown, voerr::codes::kBadOptionValueResolver,
               "[" + usageItem("kUsageTypeInvalidIdentifier", "NoSuchDevice") + "]");
  expectRaised(unusable, voerr::codes::kBadOptionValueResolver,
               "[" + usageItem("kUsageTypeInvalidIdentifier", "Unusable") + "]");
  EXPECT_NE(site(unknown.report), site(unusable.report));
}

}  // namespace
