// Turns a plugin key into a loaded, resolved plugin, and the process-wide
// cache that keeps one plugin per key until process exit.
#pragma once

#include <cstdint>

#include "plugins/Multiton.h"
#include "plugins/Plugin.h"
#include "plugins/PluginKey.h"

namespace tovik {

using PluginFactoryInterface = atut::FactoryInterface<PluginKey, Plugin>;
using PluginCacheInterface = atut::MultitonInterface<PluginFactoryInterface>;
using PluginCache = atut::Multiton<PluginFactoryInterface>;

class PluginFactory : public PluginFactoryInterface {
 public:
  // Loads the key's library (never closed again), resolves its entries and
  // hands it the address of tovik_close through its required
  // "SetCloseFunctionPointer" entry. Throws voerr::Exception: -52005 when
  // the library does not load, 0xBFFA0011 when the entry is missing, the
  // entry's own status when it is negative. A positive status is left as
  // the calling thread's IVI error information for no session.
  Plugin* create(PluginKey key) override;
  void destroy(Plugin* plugin) override;
};

// The process-wide cache, created on first use (thread-safe); throws when
// its mutex cannot be created, and the next use tries again.
PluginCacheInterface& pluginCache();

// Stores the host thread-storage index and hands it to every plugin loaded
// so far (outside the cache lock); plugins loaded later receive it while
// they are created. Reports nothing.
void setThreadStorageIndex(int32_t index);

}  // namespace tovik
