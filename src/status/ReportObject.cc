// Diagnostic objects of lower-layer reports.
#include "status/ReportObject.h"

#include <cstring>

#include "reportjson/ReportJson.h"

namespace voerr {

namespace json = voxlator::json;

ReportObject::ReportObject(Status& status, const char* name)
    : status_(status), cursor_(json::writeObject(status.writerContext(),
                                                 status.reserveReport(0), name)) {}

ReportObject& ReportObject::add(const char* name, std::string_view value) {
  if (!cursor_) return *this;
  // The string writer with a context needs a NUL-terminated value; texts
  // taken from the middle of a buffer are written through the counted form.
  char* written = json::writeStringN(cursor_, name, value.data(), value.size());
  while (!written && cursor_) {
    cursor_ = status_.growReport(cursor_);
    if (cursor_) written = json::writeStringN(cursor_, name, value.data(), value.size());
  }
  cursor_ = written;
  return *this;
}

ReportObject& ReportObject::add(const char* name, int32_t value) {
  cursor_ = json::writeInt(status_.writerContext(), cursor_, name, value);
  return *this;
}

ReportObject& ReportObject::addUnsigned(const char* name, uint64_t value) {
  cursor_ = json::writeUInt64(status_.writerContext(), cursor_, name, value);
  return *this;
}

void addErrnoReport(Status& status, int errorNumber) {
  char message[257] = {};
  const char* text = strerror_r(errorNumber, message, sizeof message - 1);
  ReportObject(status, "internal_error")
      .add("api", "errno")
      .add("code", static_cast<int32_t>(errorNumber))
      .add("string", std::string_view(text ? text : "").substr(0, 256));
}

}  // namespace voerr
