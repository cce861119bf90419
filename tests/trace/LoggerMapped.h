// Whether the trace logger library is mapped into this process.
#pragma once

#include <fstream>
#include <string>

inline bool loggerMapped() {
  std::ifstream maps("/proc/self/maps");
  std::string line;
  while (std::getline(maps, line)) {
    if (line.find("/libSnooprLog.so") != std::string::npos) {
      return true;
    }
  }
  return false;
}
