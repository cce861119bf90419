// The trace logger: records built in memory, one text line each (the format
// is described in SnooprStandin.h).
#include "SnooprStandin.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "SnooprLine.h"

namespace {

constexpr int64_t kMaxItemBytes = int64_t{1} << 20;

bool switchedOn(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

int32_t modeFromEnvironment() { return switchedOn("SNOOPR_ENABLE") ? 1 : 0; }

// Written by callers through SnooprModeLocation, possibly from other threads.
int32_t gMode = modeFromEnvironment();

std::mutex gWriteMutex;

using snooprlog::Item;
using snooprlog::Record;

// Calls of the record entry points, for tests that check a caller made none.
std::atomic<uint64_t> gEntryCalls{0};
void countCall() { gEntryCalls.fetch_add(1, std::memory_order_relaxed); }

void writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    done += static_cast<size_t>(written);
  }
}

void writeLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(gWriteMutex);
  const char* path = std::getenv("SNOOPR_LOG_FILE");
  if (path == nullptr || *path == '\0') {
    writeAll(STDERR_FILENO, line);
    return;
  }
  const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    return;
  }
  writeAll(fd, line);
  ::close(fd);
}

// The line of a record in the form SNOOPR_FORMAT asks for.
std::string formatLine(const Record& record) {
  const char* format = std::getenv("SNOOPR_FORMAT");
  if (format != nullptr && std::strcmp(format, "readable") == 0) {
    return snooprlog::readableLine(record, switchedOn("SNOOPR_SHOW_PLACEHOLDERS"));
  }
  return snooprlog::rawLine(record);
}

// Writes the record's line once; an out-of-memory failure drops the line.
void finish(Record& record) {
  if (record.written) {
    return;
  }
  record.written = true;
  try {
    writeLine(formatLine(record));
  } catch (...) {
  }
}

void addItem(void* cookie, char kind, int32_t index, const void* data, int32_t elementSize,
             int64_t totalSize, const char* name, int32_t typeCode, int32_t succeeded) {
  auto* record = static_cast<Record*>(cookie);
  if (record == nullptr || record->written) {
    return;
  }
  try {
    Item item;
    item.kind = kind;
    item.index = index;
    item.hasName = name != nullptr;
    if (name != nullptr) {
      item.name = name;
    }
    item.type = typeCode;
    item.elementSize = elementSize;
    item.totalSize = totalSize;
    item.succeeded = succeeded;
    item.dataNull = data == nullptr;
    if (data != nullptr && totalSize > 0) {
      const int64_t recorded = totalSize < kMaxItemBytes ? totalSize : kMaxItemBytes;
      item.bytes.assign(static_cast<const char*>(data), static_cast<size_t>(recorded));
    }
    record->items.push_back(std::move(item));
  } catch (...) {
  }
}

}  // namespace

extern "C" {

void* SnooprGetCookie(int32_t apiType, int32_t functionId, int32_t flags,
                      const char* functionName) {
  countCall();
  if (__atomic_load_n(&gMode, __ATOMIC_RELAXED) == 0) {
    return nullptr;
  }
  try {
    auto* record = new Record;
    record->apiType = apiType;
    record->functionId = functionId;
    record->flags = flags;
    record->hasFunctionName = functionName != nullptr;
    if (functionName != nullptr) {
      record->functionName = functionName;
    }
    return record;
  } catch (...) {
    return nullptr;
  }
}

void SnooprSetParamElementSize_generic(void* cookie, int32_t index, const void* data,
                                       int32_t elementSize, int64_t totalSize, const char* name,
                                       int32_t typeCode) {
  countCall();
  addItem(cookie, 'P', index, data, elementSize, totalSize, name, typeCode, 0);
}

void SnooprEndParams(void* cookie, int32_t count) {
  countCall();
  auto* record = static_cast<Record*>(cookie);
  if (record != nullptr && !record->written) {
    record->paramsEnded = true;
    record->paramCount = count;
  }
}

void SnooprSetReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                        int32_t elementSize, int64_t totalSize, const char* name,
                                        int32_t typeCode) {
  countCall();
  addItem(cookie, 'R', index, data, elementSize, totalSize, name, typeCode, 0);
}

void SnooprSetFuncReturnElementSize_generic(void* cookie, int32_t index, const void* data,
                                            int32_t elementSize, int64_t totalSize,
                                            const char* name, int32_t typeCode, int32_t succeeded) {
  countCall();
  addItem(cookie, 'F', index, data, elementSize, totalSize, name, typeCode, succeeded);
}

void SnooprEndReturns(void** cookiePointer, int32_t count) {
  countCall();
  if (cookiePointer == nullptr) {
    return;
  }
  auto* record = static_cast<Record*>(*cookiePointer);
  if (record == nullptr || record->written) {
    return;
  }
  record->returnsEnded = true;
  record->returnCount = count;
  finish(*record);
}

void SnooprFreeCookie(void* cookie) {
  countCall();
  auto* record = static_cast<Record*>(cookie);
  if (record == nullptr) {
    return;
  }
  finish(*record);
  delete record;
}

int32_t* SnooprModeLocation(void) { return &gMode; }

uint64_t SnooprStandin_entryCalls(void) { return gEntryCalls.load(std::memory_order_relaxed); }

}  // extern "C"
