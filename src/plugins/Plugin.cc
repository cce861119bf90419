#include "plugins/Plugin.h"

#include <atomic>
#include <cstdio>

#include "dynlib/DynamicLibrary.h"

namespace tovik {

namespace {

std::atomic<int32_t> gHostThreadStorageIndex{-1};

// Symbols are composed in a 256-byte buffer: at most 255 characters are kept.
constexpr std::size_t kSymbolBufferSize = 256;

template <class Table>
void resolveTable(Table& table, void* library, const SymbolAffixes& affixes,
                  voerr::Status& status) {
  voerr::Status tableStatus;
  for (std::size_t index = 0; index < Table::kEntryCount; ++index) {
    char symbol[kSymbolBufferSize];
    std::snprintf(symbol, sizeof symbol, "%s%s%s", affixes.prefix, Table::kEntryNames[index],
                  affixes.suffix);
    voerr::Status entryStatus;
    table.bindEntry(index, vodynlib_getSymbol(library, symbol, entryStatus));
    tableStatus.mergeCopy(entryStatus);
  }
  status.mergeCopy(tableStatus);
}

}  // namespace

int32_t hostThreadStorageIndex() { return gHostThreadStorageIndex.load(); }

void setHostThreadStorageIndex(int32_t index) { gHostThreadStorageIndex.store(index); }

Plugin::~Plugin() = default;

const tovikWrapperInterface& Plugin::mainTable() const { return main_; }
const tovikPrivateWrapperInterface& Plugin::privateTable() const { return private_; }
const tovikObsoleteWrapperInterface& Plugin::obsoleteTable() const { return obsolete_; }
const tovikRemoteDebugWrapperInterface& Plugin::remoteDebugTable() const { return remoteDebug_; }
const tovikYMWrapperInterface& Plugin::ymTable() const { return ym_; }
const tovikInternalIviWrapperInterface& Plugin::internalIviTable() const { return internalIvi_; }

void Plugin::resolveEntryPoints(void* library, const TableAffixes& affixes,
                                voerr::Status& status) {
  resolveTable(main_, library, affixes[0], status);
  resolveTable(private_, library, affixes[1], status);
  resolveTable(obsolete_, library, affixes[2], status);
  resolveTable(remoteDebug_, library, affixes[3], status);
  resolveTable(ym_, library, affixes[4], status);
  resolveTable(internalIvi_, library, affixes[5], status);
  resolveTable(threadStorage_, library, SymbolAffixes{"", ""}, status);
  applyThreadStorageIndex();
}

void Plugin::applyThreadStorageIndex() const {
  if (!threadStorage_.isSetYMRTTLSIndexSupported()) return;
  const std::lock_guard<std::recursive_mutex> lock(threadStorageMutex_);
  threadStorage_.SetYMRTTLSIndex(hostThreadStorageIndex());
}

}  // namespace tovik
