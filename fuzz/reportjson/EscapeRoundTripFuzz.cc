// Whatever bytes a writer escapes, the reader decodes back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reportjson/ReportJson.h"
#include "status/Status.h"

namespace json = voxlator::json;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A NUL ends a C string; the writers take texts, so stop there.
  std::string value(reinterpret_cast<const char*>(data), size);
  value = value.c_str();
  voerr::Status status;
  char* cursor = json::writeString(status.writerContext(), status.reserveReport(0), "v",
                                   value.c_str());
  if (!cursor) return 0;
  const char* member = json::findMember(status.reportText(), "v");
  if (!member) std::abort();
  size_t rawLength = 0;
  const char* raw = json::stringValue(member, nullptr, &rawLength);
  if (!raw || rawLength != json::escapedLength(value.c_str(), value.size())) std::abort();
  std::vector<char> decoded(rawLength + 1);
  char* end = json::decodeString(raw, rawLength, decoded.data());
  if (!end || std::string(decoded.data(), static_cast<size_t>(end - decoded.data())) != value) {
    std::abort();
  }
  return 0;
}
