#include "plugins/PluginKey.h"

#include <iterator>

namespace tovik {

namespace {

constexpr PluginFamily kFamilies[] = {
#define TOVIK_PLUGIN_FAMILY(key, value, file, prefix, ymberPrefix) \
  {PluginKey::key, file, prefix, ymberPrefix},
#include "../../tables/plugin_families.def"
#undef TOVIK_PLUGIN_FAMILY
};

}  // namespace

const PluginFamily* pluginFamily(PluginKey key) {
  for (const PluginFamily& family : kFamilies) {
    if (family.key == key) {
      return &family;
    }
  }
  return nullptr;
}

}  // namespace tovik
