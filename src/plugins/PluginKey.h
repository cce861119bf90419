// The device families and the plugin library that serves each.
#pragma once

#include <cstdint>

namespace tovik {

enum class PluginKey : int32_t {
#define TOVIK_PLUGIN_FAMILY(key, value, file, prefix, ymberPrefix) key = value,
#include "../../tables/plugin_families.def"
#undef TOVIK_PLUGIN_FAMILY
};

struct PluginFamily {
  PluginKey key;
  const char* libraryFile;  // opened by bare name through the loader's search path
  const char* prefix;       // symbol prefix of every table but the Ymber table
  const char* ymberPrefix;  // symbol prefix of the Ymber table
};

// The family of `key`, or null for a value that is no key.
const PluginFamily* pluginFamily(PluginKey key);

}  // namespace tovik
