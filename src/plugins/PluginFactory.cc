#include "plugins/PluginFactory.h"

#include <dlfcn.h>

#include <memory>

#include "ivi_engine.h"
#include "plugins/CloseFunction.h"
#include "dynlib/DynamicLibrary.h"
#include "status/Raise.h"
#include "telemetry/UsageTelemetry.h"

namespace tovik {

namespace {

// Immediate binding, global symbols.
constexpr int kLoadFlags = RTLD_NOW | RTLD_GLOBAL;
static_assert(kLoadFlags == 258, "plugins are loaded with flags 258");

template <class Table>
SymbolAffixes affixesOf(const PluginFamily& family) {
  switch (Table::kPrefixKind) {
    case SymbolPrefixKind::kPlain: return {family.prefix, ""};
    case SymbolPrefixKind::kYmber: return {family.ymberPrefix, ""};
    case SymbolPrefixKind::kNone: break;
  }
  return {"", ""};
}

TableAffixes tableAffixes(const PluginFamily& family) {
  return {affixesOf<tovikWrapperInterface>(family),
          affixesOf<tovikPrivateWrapperInterface>(family),
          affixesOf<tovikObsoleteWrapperInterface>(family),
          affixesOf<tovikRemoteDebugWrapperInterface>(family),
          affixesOf<tovikYMWrapperInterface>(family),
          affixesOf<tovikInternalIviWrapperInterface>(family)};
}

// The process-wide instances, destroyed in reverse order at exit.
struct PluginCacheInstances {
  PluginFactory factory;
  PluginCache cache{factory};
};

}  // namespace

Plugin* PluginFactory::create(PluginKey key) {
  const PluginFamily* family = pluginFamily(key);
  if (!family) {
    TOVIK_RAISE_PLAIN(voerr::codes::kInvalidParameter).throwIt();
  }

  voerr::Status loadStatus;
  void* library = vodynlib_load(family->libraryFile, kLoadFlags, loadStatus);
  if (loadStatus.isError()) {
    throw voerr::Exception(loadStatus);
  }

  auto plugin = std::make_unique<Plugin>();
  voerr::Status lookupStatus;  // missing entries are no error here
  plugin->resolveEntryPoints(library, tableAffixes(*family), lookupStatus);

  const tovikPrivateWrapperInterface& privateTable = plugin->privateTable();
  if (!privateTable.isSetCloseFunctionPointerSupported()) {
    TOVIK_RAISE(voerr::codes::kFunctionNotSupported).throwIt();
  }
  const ViStatus error_ =
      privateTable.SetCloseFunctionPointer(reinterpret_cast<ViAddr>(&tovik_close));
  if (error_ < 0) {
    TOVIK_RAISE_VAR(error_).throwIt();
  }
  if (error_ > 0) {
    // Not an error: the warning stays with the engine as the calling
    // thread's error information for no session.
    Ivi_SetErrorInfo(0, VI_FALSE, error_, 0, nullptr);
  }

  telemetry::pluginLoaded(family->libraryFile);
  return plugin.release();
}

void PluginFactory::destroy(Plugin* plugin) { delete plugin; }

PluginCacheInterface& pluginCache() {
  static PluginCacheInstances instances;
  return instances.cache;
}

void setThreadStorageIndex(int32_t index) {
  setHostThreadStorageIndex(index);
  std::vector<Plugin*> plugins;
  try {
    plugins = pluginCache().getAllInstances();
  } catch (const std::exception&) {
    return;  // no cache, so no plugin to tell
  }
  for (const Plugin* plugin : plugins) {
    plugin->applyThreadStorageIndex();
  }
}

}  // namespace tovik
