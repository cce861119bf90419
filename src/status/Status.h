// Status record: a status code plus its structured JSON error report.
#pragma once

#include <cstdint>

#include "reportjson/ReportJson.h"

namespace voerr {

struct Status;

// Buffer manager of a report. Every status of the program uses
// ReportReallocator; comparing the pointers tells whether two records can
// hand a buffer over (mergeMove).
using Reallocator = bool (*)(Status& status, int32_t newSize);
bool ReportReallocator(Status& status, int32_t newSize);

// The static, read-only description of one place in the source that raises.
struct RaiseSite {
  const char* file;
  int64_t line;
  const char* component;
  const char* constantText;
};

// Precedence rule shared by the status record, the platform status block and
// the API frame: success yields to anything, a warning yields to an error,
// an error never yields.
constexpr bool codeTakesPrecedence(int64_t stored, int64_t incoming) {
  return (stored == 0 && incoming != 0) || (stored > 0 && incoming < 0);
}

// The report is a NUL-terminated compact JSON object. Invariant: every byte
// after the NUL up to the last byte is zero, and the last byte (index
// capacity - 1) is 'J'; the member writers find their free room by counting
// those zero bytes. Operations do nothing once the record holds an error,
// unless stated. None of them throws.
struct Status {
  int32_t code = 0;
  int32_t capacity = 0;
  Reallocator reallocate = &ReportReallocator;
  char* report = nullptr;

  Status() = default;
  ~Status();
  Status(const Status&) = delete;
  Status& operator=(const Status&) = delete;

  bool isError() const { return code < 0; }
  // The report text, or "" when there is none.
  const char* reportText() const { return report ? report : ""; }

  // Applies the precedence rule; when taken and a buffer exists the report
  // is reset to "{}". Returns whether the code was taken.
  bool setCode(int32_t newCode);

  // setCode, then a fresh report with "error_constant" and the site members.
  bool raise(int32_t newCode, const RaiseSite& site, bool* allMembersWritten = nullptr);

  // Adds "file", "line" and (when component is not null) "component" at the
  // cursor, growing the buffer as needed. Returns the new cursor or null.
  char* addSiteMembers(char* cursor, const char* file, int64_t line, const char* component,
                       bool* allMembersWritten = nullptr);

  // Make the report exactly `text` ("{}" when null). Returns the position of
  // the closing brace, or null on failure (the record is left unchanged).
  char* resetReport() { return assignReport(nullptr); }
  char* assignReport(const char* text);

  // Ensures room for `extra` more bytes and returns the closing bracket of
  // the top-level value (where members are inserted), or null.
  char* reserveReport(uint32_t extra);

  // Doubles the buffer and returns `cursor` moved to the same offset in the
  // new buffer, or null.
  char* growReport(char* cursor);

  // Precedence merge; when the other code is taken its report comes along
  // (copied, or its buffer taken over when both share a buffer manager).
  bool mergeCopy(const Status& other, bool* ok = nullptr);
  bool mergeMove(Status& other, bool* ok = nullptr);

  // Ensures "translator": name and its "translator_info" object; returns a
  // cursor at the end of "ordered_data", or null when another translator is
  // already named (item writes through a null cursor do nothing).
  char* attachTranslator(const char* name);

  // Item writers for "ordered_data", growing the buffer as needed. Each
  // returns the cursor after the new item (the array's closing bracket).
  char* addUsageItem(char* cursor, const char* usage, const char* value,
                     const char* valueType = "string");
  char* addElaborationItem(char* cursor, const char* usage);
  char* addCommentItem(char* cursor, const char* comment);

  // A writer context whose grow function is growReport on this record.
  voxlator::json::WriterContext writerContext();

  // Top-level string member, growing as needed (e.g. "std_exception_what").
  char* addTopLevelString(const char* name, const char* value);
};

}  // namespace voerr
