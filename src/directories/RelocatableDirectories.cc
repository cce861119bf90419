// The relocatable installation directories, consulted once at library load.
#include "directories/RelocatableDirectories.h"

#include <dlfcn.h>

#include <cstdlib>
#include <iterator>
#include <new>

#include "dynlib/DynamicLibrary.h"
#include "status/Raise.h"
#include "vorelocations.h"

namespace vosysq {

namespace {

// Resolved by name: the library is optional.
using GetRelocatedDir = decltype(&::get_relocated_dir);

constexpr int32_t kRelocatedSize = 255;

struct Default {
  const char* name;
  const char* value;
};

constexpr Default kDefaults[] = {
    {"prefixdir", "/usr"},
    {"execprefixdir", "/usr"},
    {"bindir", "/usr/bin"},
    {"sbindir", "/usr/sbin"},
    {"libdir", "/usr/lib"},
    {"lib32dir", "/usr/lib"},
    {"lib64dir", "/usr/lib64"},
    {"nativelibdir", "/usr/lib64"},
    {"multiarchlibdir", "/usr/lib/x86_64-linux-gnu"},
    {"libexecdir", "/usr/libexec"},
    {"sharedstatedir", "/var/lib"},
    {"datarootdir", "/usr/share"},
    {"datadir", "/usr/share"},
    {"sysconfdir", "/etc"},
    {"localstatedir", "/var"},
    {"runstatedir", "/var/run"},
    {"includedir", "/usr/include"},
    {"docdir", "/usr/share/doc"},
    {"initddir", "/etc/init.d"},
};

void memoryFull(voerr::Status& status) {
  TOVIK_RAISE_PLAIN(voerr::codes::kMemoryFull).into(status);
}

}  // namespace

RelocatableDirectories::RelocatableDirectories(const char* relocationLibrary) {
  try {
    entries_.reserve(std::size(kDefaults));
    for (const Default& row : kDefaults) entries_.push_back({row.name, row.value, row.value});
  } catch (const std::bad_alloc&) {
    memoryFull(construction_);
    return;
  }

  // A missing library or symbol is no error: the defaults stand.
  voerr::Status lookup;
  void* library = vodynlib_load(relocationLibrary, RTLD_NOW | RTLD_GLOBAL, lookup);
  auto relocate = reinterpret_cast<GetRelocatedDir>(
      vodynlib_getSymbol(library, "get_relocated_dir", lookup));
  if (lookup.isError()) {
    vodynlib_unload(library);
    return;
  }
  for (Entry& entry : entries_) {
    char* buffer = static_cast<char*>(std::calloc(kRelocatedSize, 1));
    if (!buffer) {
      memoryFull(construction_);
      break;
    }
    const int32_t result = relocate(entry.name, buffer, kRelocatedSize);
    if (result > 0) {
      buffer[kRelocatedSize - 1] = '\0';
      try {
        entry.current = buffer;
      } catch (const std::bad_alloc&) {
        memoryFull(construction_);
      }
    }
    std::free(buffer);
    if (result < 0) {
      TOVIK_RAISE_PLAIN(voerr::codes::kResourceNotFound).into(construction_);
      break;
    }
    if (construction_.isError()) break;
  }
  vodynlib_unload(library);
}

void RelocatableDirectories::currentValue(std::string_view name, vohtl::BasicString& output,
                                          voerr::Status& status) const {
  if (status.isError()) return;
  for (const Entry& entry : entries_) {
    if (name == entry.name) {
      output.assign(entry.current.c_str(), entry.current.size(), status);
      return;
    }
  }
  voerr::Status unknown;
  unknown.setCode(voerr::codes::kOsFault.code);
  status.mergeMove(unknown);
}

const RelocatableDirectoriesInterface& relocatableDirectories(voerr::Status& status) {
  static const RelocatableDirectories table(kRelocationLibrary);
  status.mergeCopy(table.constructionStatus());
  return table;
}

void relocatedDirectory(std::string_view name, vohtl::BasicString& output,
                        voerr::Status& status) {
  if (status.isError()) return;
  const RelocatableDirectoriesInterface& table = relocatableDirectories(status);
  table.currentValue(name, output, status);
}

namespace {

// Loading the library builds the table, so the relocation library is asked
// once, before any thread of the caller runs.
const bool kBuiltAtLoad = [] {
  voerr::Status discarded;
  relocatableDirectories(discarded);
  return true;
}();

}  // namespace

}  // namespace vosysq
