// Raises a status the way the library's call sites do and prints what a
// caller would get: its code and its structured JSON report.
#include <cstdio>

#include "status/Exception.h"
#include "status/Raise.h"
#include "status/StatusCodes.h"

int main() {
  voerr::Status caught;
  try {
    TOVIK_RAISE(voerr::codes::kBadOptionValueResolver)
        .usage("kUsageTypeInvalidIdentifier", "PXI1Slot9")
        .throwIt();
  } catch (...) {
    voerr::translateCurrentException(caught);
  }
  std::printf("status 0x%08X\nreport %s\n", static_cast<unsigned>(caught.code), caught.reportText());
  return caught.code < 0 ? 0 : 1;
}
