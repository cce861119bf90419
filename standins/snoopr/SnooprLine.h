// The lines of the trace logger: its records, and the raw and readable
// forms a record is written in (both described in SnooprStandin.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace snooprlog {

struct Item {
  char kind = 'P';
  int32_t index = 0;
  bool hasName = false;
  std::string name;
  int32_t type = 0;
  int32_t elementSize = 0;
  int64_t totalSize = 0;
  int32_t succeeded = 0;
  bool dataNull = false;
  std::string bytes;
};

struct Record {
  int32_t apiType = 0;
  int32_t functionId = 0;
  int32_t flags = 0;
  bool hasFunctionName = false;
  std::string functionName;
  bool paramsEnded = false;
  int32_t paramCount = 0;
  bool returnsEnded = false;
  int32_t returnCount = 0;
  bool written = false;
  std::vector<Item> items;
};

// The raw line: every item with its bytes, as SnooprRecord.h reads it back.
std::string rawLine(const Record& record);

// The readable line: the call as C reads it, its status and description.
// Pseudo-parameters ("dummy..." names) only when `placeholders`.
std::string readableLine(const Record& record, bool placeholders);

// Helpers the two forms share.

// What an item's bytes hold, by its type code and element size (the codes
// SnooprStandin.h lists). kNone: a code with no known decoding.
enum class Kind { kNone, kSigned, kUnsigned, kBoolean, kReal, kText, kBytes, kAddress };
Kind kindOf(int32_t type, int32_t elementSize);
// Whether elements of `width` bytes decode as `kind`.
bool decodes(Kind kind, int32_t width);

void appendFormatted(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// `text` in double quotes, with C escapes for quotes, backslashes and
// control and non-ASCII bytes.
void appendText(std::string& out, const std::string& text);
// The integer of `width` bytes at `offset` (host byte order), sign-extended
// to 64 bits when `isSigned`.
uint64_t integerAt(const std::string& bytes, size_t offset, int32_t width, bool isSigned);
// The floating-point number of `width` (4 or 8) bytes at `offset`.
double realAt(const std::string& bytes, size_t offset, int32_t width);

}  // namespace snooprlog
