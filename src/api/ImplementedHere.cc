// The exports whose bodies the front end writes itself: the error-reporting
// calls for session 0, the server helpers and the host hooks.
#include "api/ImplementedHere.h"

#include <cstring>
#include <string>

#include "api/CallFrame.h"
#include "driversetup/GeneratorDriverSetupParser.h"
#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi/OptionStringInformation.h"
#include "plugins/Plugin.h"
#include "plugins/PluginFactory.h"
#include "resolver/PluginResolver.h"
#include "sessions/LanguageAccessor.h"
#include "status/Raise.h"
#include "telemetry/UsageTelemetry.h"
#include "translation/ErrorAccessor.h"

namespace api {
namespace here {

namespace {

int32_t defaultLanguage() { return miivi::languageAccessor().getLanguage(miivi::IviWrapper(0)); }

// Calls a plugin entry after its support query, as every forwarding frame does.
template <typename Table, typename Supported, typename Call>
ViStatus forward(const Table& table, Supported supported, Call call) {
  if (!(table.*supported)()) TOVIK_RAISE(voerr::codes::kFunctionNotSupported).throwIt();
  return call(table);
}

// The plugin that would serve `resourceName`, found as an opening call
// would find it. Resets the process's default language to 0.
tovik::Plugin& pluginForResource(ViConstString resourceName, bool serverSession,
                                 bool honourDebugSession) {
  miivi::languageAccessor().setDefaultLanguage(0);
  tovik::GeneratorDriverSetupParser driverSetup;
  uint32_t language = 0;
  std::string optionString;
  driverSetup.extractLanguage("", language, optionString);
  miivi::IviWrapperFactory factory;
  const miivi::OptionStringInformation options(resourceName ? resourceName : "", "", factory,
                                               "tovik");
  driverSetup.parse(options.getDriverSetup());
  const tovik::PluginKey key = tovik::pluginResolver().resolvePluginKey(
      options, driverSetup, serverSession, honourDebugSession, nullptr);
  return *tovik::pluginCache().getInstance(key);
}

tovik::Plugin& remotePlugin() { return *tovik::pluginCache().getInstance(tovik::PluginKey::Remote); }

}  // namespace

ViStatus tovik_error_message(ViSession vi, ViStatus errorCode, ViChar* errorMessage) {
  if (vi != 0) {
    return forward(sessionPlugin(vi).mainTable(), &tovikWrapperInterface::iserror_messageSupported,
                   [&](const auto& t) { return t.error_message(vi, errorCode, errorMessage); });
  }
  const miivi::MxlWrapper translator;
  miivi::ErrorAccessor(translator).getErrorMessage(defaultLanguage(), errorCode, errorMessage,
                                                   miivi::kTranslateDefault);
  return 0;
}

ViStatus tovik_ErrorHandler(ViSession vi, ViStatus errorCode, ViChar* errorMessage) {
  if (vi != 0) {
    return forward(sessionPlugin(vi).mainTable(), &tovikWrapperInterface::isErrorHandlerSupported,
                   [&](const auto& t) { return t.ErrorHandler(vi, errorCode, errorMessage); });
  }
  const miivi::MxlWrapper translator;
  miivi::ErrorAccessor(translator).getErrorMessage(defaultLanguage(), errorCode, errorMessage,
                                                   miivi::kTranslateDefault);
  errorMessage[255] = '\0';
  return 0;
}

namespace {

ViStatus threadError(ViStatus* errorCode, ViInt32 bufferSize, ViChar* buffer) {
  const miivi::MxlWrapper translator;
  miivi::IviWrapper thread(0);
  return miivi::ErrorAccessor(translator).getError(defaultLanguage(), thread, true, errorCode,
                                                   bufferSize, buffer, miivi::kTranslateDefault);
}

}  // namespace

ViStatus tovik_GetError(ViSession vi, ViStatus* errorCode, ViInt32 errorDescriptionBufferSize,
                        ViChar* errorDescription) {
  if (vi != 0) {
    return forward(sessionPlugin(vi).mainTable(), &tovikWrapperInterface::isGetErrorSupported,
                   [&](const auto& t) {
                     return t.GetError(vi, errorCode, errorDescriptionBufferSize, errorDescription);
                   });
  }
  return threadError(errorCode, errorDescriptionBufferSize, errorDescription);
}

ViStatus YM_tovik_GetError(ViSession vi, ViStatus* statusCode, ViInt32 errorDescriptionBufferSize,
                           ViChar* errorDescription) {
  if (vi != 0) {
    return forward(sessionPlugin(vi).ymTable(), &tovikYMWrapperInterface::isGetErrorSupported,
                   [&](const auto& t) {
                     return t.GetError(vi, statusCode, errorDescriptionBufferSize, errorDescription);
                   });
  }
  return threadError(statusCode, errorDescriptionBufferSize, errorDescription);
}

ViStatus YM_tovik_GetErrorMessage(ViSession vi, ViStatus statusCode,
                                  ViInt32 errorDescriptionBufferSize, ViChar* errorDescription) {
  if (vi != 0) {
    return forward(sessionPlugin(vi).ymTable(), &tovikYMWrapperInterface::isGetErrorMessageSupported,
                   [&](const auto& t) {
                     return t.GetErrorMessage(vi, statusCode, errorDescriptionBufferSize,
                                              errorDescription);
                   });
  }
  char message[256] = {};
  const miivi::MxlWrapper translator;
  miivi::ErrorAccessor(translator).getErrorMessage(defaultLanguage(), statusCode, message,
                                                   miivi::kTranslateDefault);
  const ViInt32 needed = static_cast<ViInt32>(std::strlen(message) + 1);
  if (errorDescriptionBufferSize == 0) return needed;
  if (!errorDescription) {
    TOVIK_RAISE(voerr::codes::kNullPointer).usage("kUsageTypeParameterName", "errorMessage").throwIt();
  }
  const ViInt32 count = (needed < errorDescriptionBufferSize || errorDescriptionBufferSize < 0)
                            ? needed
                            : errorDescriptionBufferSize;
  std::memcpy(errorDescription, message, static_cast<size_t>(count));
  errorDescription[count - 1] = '\0';
  return 0;
}

ViStatus tovik_GetOpenSessionsInformation(ViConstString resourceName, ViAddr arg1, ViAddr arg2,
                                          ViAddr arg3) {
  return forward(pluginForResource(resourceName, false, false).remoteDebugTable(),
                 &tovikRemoteDebugWrapperInterface::isGetOpenSessionsInformationSupported,
                 [&](const auto& t) {
                   return t.GetOpenSessionsInformation(resourceName, arg1, arg2, arg3);
                 });
}

ViStatus tovik_IsSessionInitialized(ViConstString resourceName, ViAddr arg1, ViAddr arg2) {
  return forward(pluginForResource(resourceName, true, true).remoteDebugTable(),
                 &tovikRemoteDebugWrapperInterface::isIsSessionInitializedSupported,
                 [&](const auto& t) { return t.IsSessionInitialized(resourceName, arg1, arg2); });
}

ViStatus tovik_AllocateServer(ViAddr arg1, ViInt32 arg2) {
  return forward(remotePlugin().remoteDebugTable(),
                 &tovikRemoteDebugWrapperInterface::isAllocateServerSupported,
                 [&](const auto& t) { return t.AllocateServer(arg1, arg2); });
}

ViStatus tovik_FreeServer(ViInt32 arg1) {
  return forward(remotePlugin().remoteDebugTable(),
                 &tovikRemoteDebugWrapperInterface::isFreeServerSupported,
                 [&](const auto& t) { return t.FreeServer(arg1); });
}

ViStatus tovik_RevokeControl(ViSession vi, ViAddr arg1) {
  return forward(remotePlugin().remoteDebugTable(),
                 &tovikRemoteDebugWrapperInterface::isRevokeControlSupported,
                 [&](const auto& t) { return t.RevokeControl(vi, arg1); });
}

ViStatus tovik_AttributeWasSetByUser(ViSession vi, ViAddr arg1, ViInt32 arg2) {
  return forward(sessionPlugin(vi).remoteDebugTable(),
                 &tovikRemoteDebugWrapperInterface::isAttributeWasSetByUserSupported,
                 [&](const auto& t) {
                   return t.AttributeWasSetByUser(miivi::IviWrapper(vi).getSession(), arg1, arg2);
                 });
}

ViStatus tovik_SetRuntimeEnvironment(ViConstString environment, ViConstString version) {
  telemetry::runtimeEnvironment(environment, version);
  return 0;
}

ViStatus SetYMRTTLSIndexHook(ViInt32 index) {
  tovik::setThreadStorageIndex(index);
  return 0;
}

}  // namespace here
}  // namespace api
