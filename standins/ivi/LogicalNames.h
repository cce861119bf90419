// IVI logical names, read from the stand-in's configuration file (format
// in IviStandin.h).
#pragma once

#include <string>

#include "IviStandinInternal.h"

namespace ivistandin {

struct LogicalName {
  std::string resourceName;
  std::string optionString;
};

struct LogicalNameLookup {
  ViStatus status = VI_SUCCESS;
  std::string problem;  // "<file>:<line>: <reason>" when the file is invalid
  bool found = false;
  LogicalName entry;
};

// Reads the configuration file afresh and looks `name` up in it.
LogicalNameLookup lookUpLogicalName(const std::string& name);

}  // namespace ivistandin
