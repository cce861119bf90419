// A loaded device-family plugin library and its seven tables of entry points.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "plugins/PluginTables.h"
#include "status/Status.h"

namespace tovik {

// The host's thread-local-storage index handed to every plugin; -1 until the
// host sets one (SetYMRTTLSIndexHook).
int32_t hostThreadStorageIndex();
void setHostThreadStorageIndex(int32_t index);

// A table's symbols are prefix + entry name + suffix.
struct SymbolAffixes {
  const char* prefix;
  const char* suffix;
};
// One pair per table, in the order main, private, obsolete, remote debug,
// Ymber, internal IVI.
using TableAffixes = std::array<SymbolAffixes, 6>;

class Plugin {
 public:
  Plugin() = default;
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;
  // Does not unload the library: plugins live until process exit.
  virtual ~Plugin();

  virtual const tovikWrapperInterface& mainTable() const;
  virtual const tovikPrivateWrapperInterface& privateTable() const;
  virtual const tovikObsoleteWrapperInterface& obsoleteTable() const;
  virtual const tovikRemoteDebugWrapperInterface& remoteDebugTable() const;
  virtual const tovikYMWrapperInterface& ymTable() const;
  virtual const tovikInternalIviWrapperInterface& internalIviTable() const;

  // Looks every entry up in `library` (a vodynlib_load handle); a missing
  // symbol leaves its entry empty. Each table's first lookup failure is
  // merged into `status` (copying merge), so the caller's status ends with
  // the report of the first missing symbol unless it already held an error.
  // Then the thread-storage entry is resolved from its bare name and handed
  // the current host index.
  void resolveEntryPoints(void* library, const TableAffixes& affixes, voerr::Status& status);

  // Hands the current host thread-storage index to the plugin when it has
  // the "SetYMRTTLSIndex" entry. The index is read under a lock of this
  // plugin's own, so when hooks race the plugin hears the indexes in the
  // order they were stored and the last one it hears is the stored one.
  void applyThreadStorageIndex() const;

 private:
  tovikWrapper main_;
  tovikPrivateWrapper private_;
  tovikObsoleteWrapper obsolete_;
  tovikRemoteDebugWrapper remoteDebug_;
  tovikYMWrapper ym_;
  tovikInternalIviWrapper internalIvi_;
  setYMRTTLSWrapper threadStorage_;
  // Recursive: a plugin may call the hook again from inside its entry.
  mutable std::recursive_mutex threadStorageMutex_;
};

}  // namespace tovik
