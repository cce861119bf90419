// Decides which device-family plugin serves a session.
#pragma once

#include <optional>
#include <string>

#include "plugins/PluginKey.h"
#include "plugins/ProductIDMap.h"
#include "sysconfig/Framework.h"

namespace miivi {
class OptionStringInformationInterface;
}
namespace tovik {
class GeneratorDriverSetupParserInterface;
}
namespace telemetry {
class SessionLogger;
}

namespace tovik {

class PluginResolverInterface {
 public:
  virtual ~PluginResolverInterface() = default;
  virtual PluginKey resolvePluginKey(const miivi::OptionStringInformationInterface& options,
                                     const GeneratorDriverSetupParserInterface& driverSetup,
                                     bool serverSession, bool honourDebugSession,
                                     telemetry::SessionLogger* telemetryLogger) = 0;
  virtual PluginKey resolveResourceName(const std::string& resourceName, bool simulate,
                                        bool serverSession, bool honourDebugSession,
                                        bool debugSession,
                                        telemetry::SessionLogger* telemetryLogger) = 0;
  // The gRPC session entry points always use the GRPC plugin.
  virtual PluginKey grpcPluginKey() = 0;
};

class PluginResolver final : public PluginResolverInterface {
 public:
  PluginResolver(const dvl::ProductIDMapInterfaceT& productMap,
                 sysapicpp::DeviceFramework& framework);
  PluginKey resolvePluginKey(const miivi::OptionStringInformationInterface& options,
                             const GeneratorDriverSetupParserInterface& driverSetup,
                             bool serverSession, bool honourDebugSession,
                             telemetry::SessionLogger* telemetryLogger) override;
  PluginKey resolveResourceName(const std::string& resourceName, bool simulate,
                                bool serverSession, bool honourDebugSession, bool debugSession,
                                telemetry::SessionLogger* telemetryLogger) override;
  PluginKey grpcPluginKey() override { return PluginKey::GRPC; }

 private:
  enum class Simulation { kNone, kByOption, kKeptByService };

  bool findDevice(const std::string& resourceName, sysapicpp::DeviceRecord& record);
  PluginKey findInstalledPlugin();
  PluginKey keyForProduct(unsigned int productId, const std::string& serialNumber,
                          Simulation simulation, telemetry::SessionLogger* telemetryLogger);

  const dvl::ProductIDMapInterfaceT* productMap_;
  sysapicpp::DeviceFramework* framework_;
};

// The configuration experts that know the driver's devices, in the order the
// resolver tries their plugins, and the search target built from them.
const char* expertList();
std::string searchTarget();

// The process-wide resolver, with its product map and the system
// configuration framework; when the framework cannot be had, nothing is
// kept and the next use tries again.
PluginResolverInterface& pluginResolver();

}  // namespace tovik
