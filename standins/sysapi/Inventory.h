// What the stand-in knows: devices, experts and injected failures, read from
// its configuration file (format in vosysapi_standin.h).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "vosysapi.h"

namespace vosysstandin {

enum class Operation {
  kInstantiate,
  kFindHardware,
  kListExperts,
  kCreatePropertyBag,
  kNext,
  kQueryInterface,
  kSetString,
  kGetBool,
  kGetInt32,
  kGetUInt32,
  kGetString,
  kGetName,
  kCount
};

// False for an unknown name.
bool operationByName(const std::string& name, Operation& operation);

struct PropertyValue {
  enum Kind { kBool, kInt32, kUInt32, kString } kind = kInt32;
  int64_t number = 0;
  std::u32string text;
};

using PropertyMap = std::map<uint32_t, PropertyValue>;
// Read results forced per (operation, tag).
using ResultMap = std::map<std::pair<Operation, uint32_t>, VosysResult>;

struct Device {
  std::u32string name;
  PropertyMap properties;
  ResultMap results;
  bool refusesBag = false;
};

struct Inventory {
  std::vector<Device> devices;
  std::vector<std::u32string> experts;
  std::map<Operation, VosysResult> failures;
};

// Reads `path` into `inventory`. A missing file leaves it empty and
// succeeds; a malformed line fails with `error` naming it.
bool loadInventory(const std::string& path, Inventory& inventory, std::string& error);

// The configured file: $VOSYSAPI_STANDIN_CONFIG or the default path.
std::string configurationPath();

}  // namespace vosysstandin
