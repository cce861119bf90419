// Diagnostic objects at the top level of a report ("vosysq_debug",
// "voxlator_debug", "internal_error"), growing the buffer as needed.
#pragma once

#include <cstdint>
#include <string_view>

#include "status/Status.h"

namespace voerr {

// Writes one object member into `status`'s report and its members in call
// order. Best effort like every report write: a member that cannot be
// written is missing, nothing fails.
//   if (status.raise(code, site)) ReportObject(status, "vosysq_debug").add("desc", "...");
class ReportObject {
 public:
  ReportObject(Status& status, const char* name);
  ReportObject& add(const char* name, std::string_view value);
  ReportObject& add(const char* name, const char* value) {
    return add(name, std::string_view(value ? value : ""));
  }
  ReportObject& add(const char* name, int32_t value);
  ReportObject& addUnsigned(const char* name, uint64_t value);

 private:
  Status& status_;
  char* cursor_;
};

// "internal_error" {"api": "errno", "code": n, "string": the system's
// message for n, at most 256 bytes}.
void addErrnoReport(Status& status, int errorNumber);

}  // namespace voerr
