// In-place writers and readers of the compact JSON report text.
//
// A cursor points at the closing bracket ('}' or ']') of the container that
// new members go into; a null cursor is the empty cursor and every writer
// returns it unchanged. Writers insert inside the fixed buffer (free room =
// zero bytes between the text's NUL and the 'J' sentinel) and return the new
// cursor, or null when the room is missing. Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voerr {
struct Status;
}

namespace voxlator {
namespace json {

// Writers. `name` null writes an array element instead of a member.
char* writeString(char* cursor, const char* name, const char* value);
char* writeStringN(char* cursor, const char* name, const char* value, size_t valueLength);
char* writeInt(char* cursor, const char* name, int32_t value);
char* writeUInt(char* cursor, const char* name, uint32_t value);
char* writeUInt64(char* cursor, const char* name, uint64_t value);
char* writeObject(char* cursor, const char* name);  // returns the new object's '}'
char* writeArray(char* cursor, const char* name);   // returns the new array's ']'
// The position after the container's closing bracket: the enclosing
// container's closing bracket, since writers always append at the end.
char* leave(char* cursor);

// Writer context: on missing room, grow(cursor, status) and retry at the
// returned cursor until the write succeeds or grow returns null.
struct WriterContext {
  char* (*grow)(char* cursor, voerr::Status& status);
  voerr::Status* status;
};
// The program's grow function is the status's growReport: see
// voerr::Status::writerContext().

char* writeString(const WriterContext& context, char* cursor, const char* name,
                  const char* value);
char* writeInt(const WriterContext& context, char* cursor, const char* name, int32_t value);
char* writeUInt(const WriterContext& context, char* cursor, const char* name, uint32_t value);
char* writeUInt64(const WriterContext& context, char* cursor, const char* name, uint64_t value);
char* writeObject(const WriterContext& context, char* cursor, const char* name);
char* writeArray(const WriterContext& context, char* cursor, const char* name);

// Length of `text` once escaped.
size_t escapedLength(const char* text, size_t length);

// Readers.
enum ValueType { kInvalid = 0, kNull = 1, kBoolean = 2, kNumber = 3, kString = 4, kArray = 5,
                 kObject = 6 };

struct Value {
  ValueType type = kInvalid;
  const char* begin = nullptr;   // first character of the value
  const char* raw = nullptr;     // string: still-escaped content; number: its text
  size_t rawLength = 0;
  bool isFloat = false;          // number with a fraction or an exponent
  bool boolean = false;
  const char* invalidReason = nullptr;
};

// Position of the value of the first member called `name`, or null.
const char* findMember(const char* objectText, const char* name);
// Parses the value at `position` (white space skipped); returns the position
// after it, or null when invalid (value.type is then kInvalid).
const char* parseValue(const char* position, Value& value);
// The raw content of the string at `position`, or `fallback` (and its length).
const char* stringValue(const char* position, const char* fallback, size_t* rawLength);
// Decodes escapes into `output` (room for rawLength + 1 bytes); returns the
// end of the output (its NUL) or null on a malformed escape.
char* decodeString(const char* raw, size_t rawLength, char* output);
// The number at `position` as int32 (truncated toward zero), or `fallback`.
int32_t integerValue(const char* position, int32_t fallback);
const char* firstElement(const char* arrayText);
const char* nextElement(const char* afterElement);
// Closing bracket of the object or array starting at `position`, or null.
const char* containerEnd(const char* position);

}  // namespace json
}  // namespace voxlator
