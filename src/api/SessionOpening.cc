// Opening a session: language, option string, DriverSetup, plugin key,
// plugin, the plugin's opening entry, and registration of the new handle.
#include "api/SessionOpening.h"

#include <memory>
#include <string>

#include "api/UsageHooks.h"
#include "driversetup/GeneratorDriverSetupParser.h"
#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi/OptionStringInformation.h"
#include "plugins/PluginFactory.h"
#include "resolver/PluginResolver.h"
#include "sessions/LanguageAccessor.h"
#include "sessions/SessionRegistry.h"
#include "status/Raise.h"
#include "telemetry/UsageTelemetry.h"

namespace api {

namespace {

constexpr const char* kDriverPrefix = "tovik";

bool readsLanguageFromOptions(OpenKind kind) {
  return kind == OpenKind::kInitWithOptions || kind == OpenKind::kInitializeWithChannels ||
         kind == OpenKind::kServer || kind == OpenKind::kGrpcInitialize;
}

bool isGrpc(OpenKind kind) { return kind == OpenKind::kGrpcInitialize || kind == OpenKind::kGrpcAttach; }

}  // namespace

ViStatus openSession(const OpenRequest& request, ViSession* vi,
                     FunctionRef<ViStatus(tovik::Plugin&)> openEntry) {
  if (request.ym) clearThreadError();
  if (!vi) {
    TOVIK_RAISE(voerr::codes::kNullPointer)
        .usage("kUsageTypeParameterName", request.handleName)
        .throwIt();
  }
  const char* resourceName = request.resourceName ? request.resourceName : "";

  // The most recent opening call decides the process's default language.
  tovik::GeneratorDriverSetupParser driverSetup;
  uint32_t language = request.ym ? static_cast<uint32_t>(miivi::hostLanguage()) : 0;
  std::string optionString;
  if (readsLanguageFromOptions(request.kind)) {
    driverSetup.extractLanguage(request.optionString ? request.optionString : "", language,
                                optionString);
  }
  miivi::languageAccessor().setDefaultLanguage(static_cast<int32_t>(language));

  auto telemetryLogger = telemetry::createSessionLogger();
  tovik::PluginKey key;
  miivi::IviWrapperFactory factory;
  if (isGrpc(request.kind)) {
    key = tovik::pluginResolver().grpcPluginKey();
  } else {
    const miivi::OptionStringInformation options(resourceName, optionString.c_str(), factory,
                                                 kDriverPrefix);
    driverSetup.parse(options.getDriverSetup());
    key = tovik::pluginResolver().resolvePluginKey(options, driverSetup,
                                                   request.kind == OpenKind::kServer, true,
                                                   telemetryLogger.get());
  }
  tovik::Plugin* plugin = tovik::pluginCache().getInstance(key);

  const ViStatus result = openEntry(*plugin);
  if (result < 0) return result;  // nothing opened

  telemetry::sessionOpened(telemetryLogger.get(), resourceName, request.ym);
  const char* registeredName = resourceName;
  if (isGrpc(request.kind)) registeredName = request.registeredName ? request.registeredName : "";
  dvl::createAndRegister(factory.createBinding(*vi), static_cast<int32_t>(language),
                         request.ym ? 1 : 0, plugin, registeredName, std::move(telemetryLogger));
  return result;
}

}  // namespace api
