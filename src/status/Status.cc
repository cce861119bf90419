// Status record operations: precedence, report buffer management, merging.
#include "status/Status.h"

#include <cstdlib>
#include <cstring>

#include "reportjson/ReportJson.h"

namespace voerr {

namespace json = voxlator::json;

namespace {

constexpr uint32_t kLongestText = 2147483645u;
constexpr int32_t kMinimumBuffer = 512;

char* growCallback(char* cursor, Status& status) { return status.growReport(cursor); }

// Zero everything after the text's NUL and put the sentinel in the last byte.
void sealBuffer(Status& status, size_t textLength) {
  std::memset(status.report + textLength, 0, static_cast<size_t>(status.capacity) - textLength);
  status.report[status.capacity - 1] = 'J';
}

}  // namespace

bool ReportReallocator(Status& status, int32_t newSize) {
  if (newSize == 0) {
    std::free(status.report);
    status.report = nullptr;
    status.capacity = 0;
    return true;
  }
  if (newSize <= status.capacity) return true;
  if (newSize < 0) return false;
  int64_t size = kMinimumBuffer;
  while (size < newSize) size *= 2;
  if (size > INT32_MAX) return false;
  char* buffer = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
  if (!buffer) return false;
  const char* old = status.report ? status.report : "{}";
  const size_t length = std::strlen(old);
  std::memcpy(buffer, old, length + 1);
  std::free(status.report);
  status.report = buffer;
  status.capacity = static_cast<int32_t>(size);
  sealBuffer(status, length);
  return true;
}

Status::~Status() {
  if (report) reallocate(*this, 0);
}

bool Status::setCode(int32_t newCode) {
  if (!codeTakesPrecedence(code, newCode)) return false;
  code = newCode;
  if (report) resetReport();
  return true;
}

bool Status::raise(int32_t newCode, const RaiseSite& site, bool* allMembersWritten) {
  if (allMembersWritten) *allMembersWritten = true;
  if (!setCode(newCode)) return false;
  char* cursor = resetReport();
  if (site.constantText) {
    cursor = json::writeString(writerContext(), cursor, "error_constant", site.constantText);
  }
  cursor = addSiteMembers(cursor, site.file, site.line, site.component, allMembersWritten);
  if (!cursor && allMembersWritten) *allMembersWritten = false;
  return true;
}

char* Status::addSiteMembers(char* cursor, const char* file, int64_t line, const char* component,
                             bool* allMembersWritten) {
  const json::WriterContext context = writerContext();
  cursor = json::writeString(context, cursor, "file", file ? file : "");
  cursor = line >= 0 ? json::writeUInt64(context, cursor, "line", static_cast<uint64_t>(line))
                     : json::writeInt(context, cursor, "line", static_cast<int32_t>(line));
  if (component) cursor = json::writeString(context, cursor, "component", component);
  if (!cursor && allMembersWritten) *allMembersWritten = false;
  return cursor;
}

char* Status::assignReport(const char* text) {
  if (!text) text = "{}";
  const size_t length = std::strlen(text);
  if (length > kLongestText) return nullptr;
  if (text >= report && report && text < report + capacity) return nullptr;  // own text
  if (!reallocate(*this, static_cast<int32_t>(length + 2))) return nullptr;
  std::memcpy(report, text, length + 1);
  sealBuffer(*this, length);
  return length ? report + length - 1 : report;
}

char* Status::reserveReport(uint32_t extra) {
  if (extra > kLongestText) return nullptr;
  if (!reallocate(*this, static_cast<int32_t>(extra + 2))) return nullptr;
  // The text has no trailing white space: the top-level value's closing
  // bracket is its last character.
  const size_t length = std::strlen(report);
  if (length == 0) return nullptr;
  char* last = report + length - 1;
  return (*last == '}' || *last == ']') ? last : nullptr;
}

char* Status::growReport(char* cursor) {
  if (!cursor || !report) return nullptr;
  const ptrdiff_t offset = cursor - report;
  const int64_t wanted = static_cast<int64_t>(capacity) * 2 - 4;
  if (wanted > INT32_MAX) return nullptr;
  if (!reallocate(*this, static_cast<int32_t>(wanted))) return nullptr;
  return report + offset;
}

bool Status::mergeCopy(const Status& other, bool* ok) {
  if (ok) *ok = true;
  if (&other == this || !setCode(other.code)) return false;
  if (other.report && !assignReport(other.report) && ok) *ok = false;
  return true;
}

bool Status::mergeMove(Status& other, bool* ok) {
  if (ok) *ok = true;
  if (&other == this || !setCode(other.code)) return false;
  if (reallocate == other.reallocate) {
    reallocate(*this, 0);
    report = other.report;
    capacity = other.capacity;
    other.report = nullptr;
    other.capacity = 0;
  } else if (!assignReport(other.report ? other.report : "{}") && ok) {
    *ok = false;
  }
  return true;
}

json::WriterContext Status::writerContext() { return json::WriterContext{&growCallback, this}; }

char* Status::attachTranslator(const char* name) {
  if (!report && !resetReport()) return nullptr;
  const json::WriterContext context = writerContext();
  if (const char* existing = json::findMember(report, "translator")) {
    json::Value value;
    if (!json::parseValue(existing, value) || value.type != json::kString ||
        value.rawLength != std::strlen(name) || std::strncmp(value.raw, name, value.rawLength)) {
      return nullptr;
    }
    const char* info = json::findMember(report, "translator_info");
    const char* data = info ? json::findMember(info, "ordered_data") : nullptr;
    if (const char* end = data ? json::containerEnd(data) : nullptr) {
      if (*end == ']') return const_cast<char*>(end);
    }
    return nullptr;
  }
  char* cursor = json::writeString(context, reserveReport(0), "translator", name);
  cursor = json::writeObject(context, cursor, "translator_info");
  cursor = json::writeString(context, cursor, "is_debug", "0");
  cursor = json::writeInt(context, cursor, "version", 1);
  return json::writeArray(context, cursor, "ordered_data");
}

char* Status::addUsageItem(char* cursor, const char* usage, const char* value,
                           const char* valueType) {
  const json::WriterContext context = writerContext();
  cursor = json::writeObject(context, cursor, nullptr);
  cursor = json::writeString(context, cursor, "type", "usage");
  cursor = json::writeString(context, cursor, "usage", usage);
  cursor = json::writeString(context, cursor, "value", value);
  cursor = json::writeString(context, cursor, "value_type", valueType);
  return json::leave(cursor);
}

char* Status::addElaborationItem(char* cursor, const char* usage) {
  const json::WriterContext context = writerContext();
  cursor = json::writeObject(context, cursor, nullptr);
  cursor = json::writeString(context, cursor, "type", "elaboration");
  cursor = json::writeString(context, cursor, "usage", usage);
  return json::leave(cursor);
}

char* Status::addCommentItem(char* cursor, const char* comment) {
  const json::WriterContext context = writerContext();
  cursor = json::writeObject(context, cursor, nullptr);
  cursor = json::writeString(context, cursor, "type", "comment");
  cursor = json::writeString(context, cursor, "comment", comment);
  return json::leave(cursor);
}

char* Status::addTopLevelString(const char* name, const char* value) {
  return json::writeString(writerContext(), reserveReport(0), name, value);
}

}  // namespace voerr
