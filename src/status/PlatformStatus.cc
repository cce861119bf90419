// The platform status block: precedence, location recording and absorption.
#include "status/PlatformStatus.h"

#include <cstring>
#include <exception>

#include "reportjson/ReportJson.h"
#include "status/Exception.h"

namespace voerr {

namespace {

void copyBounded(char* target, size_t room, const char* text) {
  const size_t length = text ? strnlen(text, room - 1) : 0;
  if (length) std::memcpy(target, text, length);
  target[length] = '\0';
}

// Keeps both ends of an over-long path: its first 49 characters, "..", and
// its last 49, so the file name survives.
void copyFileName(char (&target)[101], const char* file) {
  const size_t length = file ? std::strlen(file) : 0;
  if (length <= 100) {
    copyBounded(target, sizeof target, file);
    return;
  }
  std::memcpy(target, file, 49);
  std::memcpy(target + 49, "..", 2);
  std::memcpy(target + 51, file + length - 49, 49);
  target[100] = '\0';
}

}  // namespace

bool PlatformStatus::setPlatformCode(int64_t newCode, const char* componentName,
                                     const char* fileName, int64_t lineNumber) {
  if (!codeTakesPrecedence(code, newCode)) return false;
  code = newCode;
  if (isFull()) {
    copyBounded(component, sizeof component, componentName);
    copyFileName(file, fileName);
    line = lineNumber;
    extension[0] = 0;
  }
  return true;
}

bool PlatformStatus::merge(const PlatformStatus& other) {
  const bool otherFull = other.isFull();
  if (!setPlatformCode(other.code, otherFull ? other.component : "", otherFull ? other.file : "",
                       otherFull ? other.line : 0)) {
    return false;
  }
  if (isFull() && otherFull) {
    for (size_t i = 0; i < 10; ++i) {
      extension[i] = other.extension[i];
      if (other.extension[i] == 0) break;
    }
  }
  return true;
}

bool absorbPlatformStatus(const PlatformStatus& block, Status& status) {
  if (block.code == 0) return false;
  if (!status.setCode(static_cast<int32_t>(block.code))) return false;
  if (!block.isFull()) return true;
  const voxlator::json::WriterContext context = status.writerContext();
  if (block.file[0]) {
    char* cursor = voxlator::json::writeString(context, status.reserveReport(256), "file",
                                               block.file);
    voxlator::json::writeUInt64(context, cursor, "line", static_cast<uint64_t>(block.line));
  }
  if (block.component[0]) {
    voxlator::json::writeString(context, status.reserveReport(256), "component",
                                block.component);
  }
  return true;
}

void throwIfFailed(const PlatformStatus& block) {
  if (block.code >= 0 || std::uncaught_exceptions() > 0) return;
  Status status;
  absorbPlatformStatus(block, status);
  throw Exception(status);
}

}  // namespace voerr
