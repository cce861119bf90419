// Resource name, simulation and DriverSetup model to plugin key.
#include "resolver/PluginResolver.h"

#include <dlfcn.h>

#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "driversetup/CaseFolding.h"
#include "driversetup/GeneratorDriverSetupParserInterface.h"
#include "ivi/OptionStringInformation.h"
#include "dynlib/DynamicLibrary.h"
#include "status/Raise.h"
#include "sysconfig/CmxDynamicPropertyBag.h"
#include "sysconfig/SysAPIFrameworkLoader.h"
#include "telemetry/UsageTelemetry.h"

namespace tovik {

namespace {

constexpr uint32_t kResourceNameTag = 0x101F000;
constexpr uint32_t kUsableTag = 0x1024000;
constexpr uint32_t kProductIdTag = 0x1005000;
constexpr uint32_t kSerialNumberTag = 0x1007000;
constexpr uint32_t kKeptSimulationTag = 0x1009000;
constexpr int32_t kSearchMode = 2;
constexpr int kLoadFlags = RTLD_NOW | RTLD_GLOBAL;

struct Expert {
  const char* name;
  PluginKey key;
};
constexpr std::array<Expert, 3> kExperts{{
    {"acqo", PluginKey::PAL},
    {"tovikGC", PluginKey::Harbor},
    {"tovikaux", PluginKey::PAL},
}};

}  // namespace

const char* expertList() {
  static const std::string list = [] {
    std::string joined;
    for (const Expert& expert : kExperts) {
      if (!joined.empty()) joined += ",";
      joined += expert.name;
    }
    return joined;
  }();
  return list.c_str();
}

std::string searchTarget() { return std::string("//localhost/") + expertList(); }

PluginResolver::PluginResolver(const dvl::ProductIDMapInterfaceT& productMap,
                               sysapicpp::DeviceFramework& framework)
    : productMap_(&productMap), framework_(&framework) {}

PluginKey PluginResolver::resolvePluginKey(const miivi::OptionStringInformationInterface& options,
                                           const GeneratorDriverSetupParserInterface& driverSetup,
                                           bool serverSession, bool honourDebugSession,
                                           telemetry::SessionLogger* telemetryLogger) {
  const bool simulate = options.isSimulated();
  if (simulate) {
    const std::optional<std::string> model = driverSetup.getModel();
    const std::optional<std::string> bus = driverSetup.getBoardType();
    if (model || bus) {
      return keyForProduct(productMap_->getProductId(model, bus), "0", Simulation::kByOption,
                           telemetryLogger);
    }
    if (options.getResourceName().empty()) return findInstalledPlugin();
  }
  const bool debugSession = driverSetup.getDebugSession().value_or(false);
  return resolveResourceName(options.getResourceName(), simulate, serverSession,
                             honourDebugSession, debugSession, telemetryLogger);
}

PluginKey PluginResolver::resolveResourceName(const std::string& resourceName, bool simulate,
                                              bool serverSession, bool honourDebugSession,
                                              bool debugSession,
                                              telemetry::SessionLogger* telemetryLogger) {
  if (resourceName.empty() && simulate) return findInstalledPlugin();
  sysapicpp::DeviceRecord record{sysapicpp::PropertyBagHandle(CmxDynamicPropertyBag::create())};
  // The two refusals of a real session raise from sites of their own, so a
  // report tells a name nobody has from a device that may not be used.
  if (!findDevice(resourceName, record)) {
    if (!simulate) {
      TOVIK_RAISE(voerr::codes::kBadOptionValueResolver)
          .usage("kUsageTypeInvalidIdentifier", resourceName.c_str())
          .throwIt();
    }
    return keyForProduct(productMap_->getProductId(std::nullopt, std::nullopt), "0",
                         Simulation::kByOption, telemetryLogger);
  }
  if (record.getInt32(kUsableTag) != 1 && !simulate) {
    TOVIK_RAISE(voerr::codes::kBadOptionValueResolver)
        .usage("kUsageTypeInvalidIdentifier", resourceName.c_str())
        .throwIt();
  }
  const unsigned int productId = record.getUInt32(kProductIdTag);
  const std::string serialNumber = record.getString(kSerialNumberTag);
  const bool keptSimulation = record.getBool(kKeptSimulationTag);
  if (honourDebugSession && debugSession && !serverSession) return PluginKey::Remote;
  const Simulation simulation =
      keptSimulation ? Simulation::kKeptByService : (simulate ? Simulation::kByOption
                                                              : Simulation::kNone);
  return keyForProduct(productId, serialNumber, simulation, telemetryLogger);
}

bool PluginResolver::findDevice(const std::string& resourceName, sysapicpp::DeviceRecord& record) {
  sysapicpp::PropertyBagHandle filter = framework_->createPropertyBag();
  filter.setString(kResourceNameTag, resourceName);
  std::vector<sysapicpp::DeviceRecord> results =
      framework_->findHardware(searchTarget(), kSearchMode, filter);
  if (results.empty()) return false;
  if (results.size() > 1) {
    TOVIK_RAISE(voerr::codes::kAmbiguousResourceName)
        .usage("kUsageTypeRequestedDeviceName", resourceName.c_str())
        .throwIt();
  }
  record = std::move(results.front());
  return true;
}

PluginKey PluginResolver::findInstalledPlugin() {
  std::vector<std::string> installed;
  for (const sysapicpp::ExpertInfoHandle& item : framework_->listExperts(searchTarget())) {
    installed.push_back(item.name());
  }
  for (const Expert& expert : kExperts) {
    bool marked = false;
    for (const std::string& name : installed) marked = marked || tessel::equalsNoCase(name, expert.name);
    if (!marked || (expert.key != PluginKey::PAL && expert.key != PluginKey::Harbor)) continue;
    // Probe only: the plugin cache loads the library for real afterwards.
    voerr::Status probe;
    if (void* library = vodynlib_load(pluginFamily(expert.key)->libraryFile, kLoadFlags, probe)) {
      vodynlib_unload(library);
      return expert.key;
    }
  }
  TOVIK_RAISE(voerr::codes::kNoPluginInstalled).throwIt();
}

PluginKey PluginResolver::keyForProduct(unsigned int productId, const std::string& serialNumber,
                                        Simulation simulation,
                                        telemetry::SessionLogger* telemetryLogger) {
  const std::string productName = productMap_->getProductName(productId);
  telemetry::instrumentUsed(telemetryLogger, productName.c_str(), serialNumber.c_str(),
                            static_cast<int>(simulation));
  return productMap_->getPluginKey(productId);
}

namespace {

// Built together on first use and destroyed together at exit.
struct ResolverInstances {
  dvl::ProductIDMap<unsigned int, PluginKey> productMap{voerr::codes::kBadOptionValue.code,
                                                        dvl::productTable()};
  misysapiaccessor::SysAPIFrameworkLoader loader{expertList()};
  PluginResolver resolver;
  ResolverInstances() : resolver(productMap, loader.getFramework()) {}
};

std::mutex resolverMutex;
std::unique_ptr<ResolverInstances> resolverInstances;

}  // namespace

PluginResolverInterface& pluginResolver() {
  std::lock_guard<std::mutex> lock(resolverMutex);
  if (!resolverInstances) resolverInstances = std::make_unique<ResolverInstances>();
  return resolverInstances->resolver;
}

}  // namespace tovik
