// Extraction of the DriverSetup value from a raw IVI option string.
#pragma once

#include <string>

#include "status/Status.h"

namespace voslid {

class DriverSetupParser {
 public:
  DriverSetupParser() = default;
  virtual ~DriverSetupParser();

  // Writes the DriverSetup value of `optionString` into `output` and leaves
  // `output` untouched when there is none. A text without '=' is taken
  // whole, so a bare DriverSetup string is accepted where an option string
  // is expected. The value runs from the '=' after the first
  // (ASCII-case-insensitive) "DriverSetup" to the next ',' and is not
  // trimmed. Does nothing when `status` already holds an error; the only
  // failure is -52000 (memory).
  void extractDriverSetup(const char* optionString, std::string& output, voerr::Status& status);
};

}  // namespace voslid
