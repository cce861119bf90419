// In-place writers and allocation-free readers of the JSON report text.
#include "reportjson/ReportJson.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace voxlator {
namespace json {

namespace {

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

const char* skipWhiteSpace(const char* p) {
  while (isWhiteSpace(*p)) ++p;
  return p;
}

// Escaped form of one byte: its two-character escape letter, 'u' for the
// six-byte \u00XX form, or 0 when the byte is copied as it is.
char escapeLetter(unsigned char c) {
  switch (c) {
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\f': return 'f';
    case '\r': return 'r';
    case '"': return '"';
    case '\\': return '\\';
    default: return (c < 0x20 || c == 0x7F) ? 'u' : 0;
  }
}

char* writeEscaped(char* out, const char* text, size_t length) {
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const char letter = escapeLetter(c);
    if (letter == 0) {
      *out++ = static_cast<char>(c);
    } else if (letter == 'u') {
      *out++ = '\\';
      *out++ = 'u';
      *out++ = '0';
      *out++ = '0';
      *out++ = kHex[c >> 4];
      *out++ = kHex[c & 0xF];
    } else {
      *out++ = '\\';
      *out++ = letter;
    }
  }
  return out;
}

// Zero bytes between the text's terminating NUL and the 'J' sentinel.
size_t freeRoom(const char* textEnd) {
  size_t room = 0;
  const char* p = textEnd + 1;
  while (*p == '\0') {
    ++room;
    ++p;
  }
  return room;
}

// Opens a gap of `length` bytes at the cursor (plus a comma when the
// container already has content). Returns where the new text goes, or null
// when the buffer lacks the room.
char* openGap(char* cursor, size_t length) {
  const char opening = (*cursor == '}') ? '{' : '[';
  const char* back = cursor;
  // The cursor is never the first character of a text: a container's
  // closing bracket always follows its opening one.
  do {
    --back;
  } while (isWhiteSpace(*back));
  const bool needsComma = (*back != opening);
  const size_t needed = length + (needsComma ? 1 : 0);
  char* textEnd = cursor + std::strlen(cursor);
  if (freeRoom(textEnd) < needed) return nullptr;
  std::memmove(cursor + needed, cursor, static_cast<size_t>(textEnd - cursor) + 1);
  if (needsComma) *cursor++ = ',';
  return cursor;
}

size_t namePartLength(const char* name) {
  return name ? escapedLength(name, std::strlen(name)) + 3 : 0;  // "name":
}

char* writeName(char* out, const char* name) {
  if (!name) return out;
  *out++ = '"';
  out = writeEscaped(out, name, std::strlen(name));
  *out++ = '"';
  *out++ = ':';
  return out;
}

char* writeRaw(char* cursor, const char* name, const char* raw, size_t rawLength) {
  if (!cursor) return nullptr;
  char* out = openGap(cursor, namePartLength(name) + rawLength);
  if (!out) return nullptr;
  out = writeName(out, name);
  std::memcpy(out, raw, rawLength);
  return out + rawLength;
}

char* writeContainer(char* cursor, const char* name, const char* brackets) {
  char* after = writeRaw(cursor, name, brackets, 2);
  return after ? after - 1 : nullptr;
}

template <typename Write>
char* withGrowth(const WriterContext& context, char* cursor, Write write) {
  while (cursor) {
    if (char* result = write(cursor)) return result;
    if (!context.grow || !context.status) return nullptr;
    cursor = context.grow(cursor, *context.status);
  }
  return nullptr;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool readHex4(const char* p, const char* end, unsigned* value) {
  if (end - p < 4) return false;
  unsigned v = 0;
  for (int i = 0; i < 4; ++i) {
    const int h = hexValue(p[i]);
    if (h < 0) return false;
    v = (v << 4) | static_cast<unsigned>(h);
  }
  *value = v;
  return true;
}

size_t encodeUtf8(unsigned codePoint, char* out) {
  if (codePoint < 0x80) {
    out[0] = static_cast<char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
  out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  return 4;
}

// Decodes the character or escape at p into out (up to 4 bytes). Returns
// the number of bytes produced, or 0 on a malformed escape.
size_t decodeOne(const char*& p, const char* end, char* out) {
  if (*p != '\\') {
    *out = *p++;
    return 1;
  }
  if (end - p < 2) return 0;
  const char letter = p[1];
  p += 2;
  switch (letter) {
    case '"': *out = '"'; return 1;
    case '/': *out = '/'; return 1;
    case '\\': *out = '\\'; return 1;
    case 'b': *out = '\b'; return 1;
    case 'f': *out = '\f'; return 1;
    case 'n': *out = '\n'; return 1;
    case 'r': *out = '\r'; return 1;
    case 't': *out = '\t'; return 1;
    case 'u': break;
    default: return 0;
  }
  unsigned codePoint = 0;
  if (!readHex4(p, end, &codePoint)) return 0;
  p += 4;
  if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return 0;  // lone low surrogate
  if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
    unsigned low = 0;
    if (end - p < 6 || p[0] != '\\' || p[1] != 'u' || !readHex4(p + 2, end, &low) ||
        low < 0xDC00 || low > 0xDFFF) {
      return 0;
    }
    p += 6;
    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
  }
  return encodeUtf8(codePoint, out);
}

enum class KeyMatch { kEqual, kDifferent, kMalformed };

// Compares the raw (escaped) key with `name` once decoded. The whole key is
// decoded even after a difference, so a key that cannot be decoded is told
// apart from one that merely differs.
KeyMatch matchKey(const char* raw, size_t rawLength, const char* name) {
  const char* p = raw;
  const char* end = raw + rawLength;
  const char* n = name;
  bool equal = true;
  while (p < end) {
    char bytes[4];
    const size_t count = decodeOne(p, end, bytes);
    if (count == 0) return KeyMatch::kMalformed;
    if (equal && (std::memchr(n, '\0', count) || std::strncmp(n, bytes, count) != 0)) {
      equal = false;
    }
    if (equal) n += count;
  }
  return equal && *n == '\0' ? KeyMatch::kEqual : KeyMatch::kDifferent;
}

// Nesting bound so a hostile text cannot exhaust the stack.
constexpr int kMaxDepth = 256;

const char* parseAt(const char* p, Value& value, int depth);

const char* parseString(const char* p, Value& value) {
  // p is at the opening quote.
  const char* start = p + 1;
  const char* q = start;
  while (*q != '"') {
    const unsigned char c = static_cast<unsigned char>(*q);
    if (c < 0x20) {  // also the terminating NUL
      value.invalidReason = "control character or end of text in string";
      return nullptr;
    }
    if (c == '\\') {
      ++q;
      if (static_cast<unsigned char>(*q) < 0x20) {
        value.invalidReason = "escape cut by end of text";
        return nullptr;
      }
    }
    ++q;
  }
  value.type = kString;
  value.raw = start;
  value.rawLength = static_cast<size_t>(q - start);
  return q + 1;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

const char* parseNumber(const char* p, Value& value) {
  const char* q = p;
  if (*q == '-') ++q;
  if (*q == '0') {
    ++q;
  } else if (isDigit(*q)) {
    while (isDigit(*q)) ++q;
  } else {
    return nullptr;
  }
  bool isFloat = false;
  if (*q == '.') {
    ++q;
    if (!isDigit(*q)) return nullptr;
    while (isDigit(*q)) ++q;
    isFloat = true;
  }
  if (*q == 'e' || *q == 'E') {
    ++q;
    if (*q == '+' || *q == '-') ++q;
    if (!isDigit(*q)) return nullptr;
    while (isDigit(*q)) ++q;
    isFloat = true;
  }
  value.type = kNumber;
  value.raw = p;
  value.rawLength = static_cast<size_t>(q - p);
  value.isFloat = isFloat;
  return q;
}

const char* parseContainer(const char* p, Value& value, int depth) {
  const bool isObject = (*p == '{');
  const char closing = isObject ? '}' : ']';
  if (depth >= kMaxDepth) {
    value.invalidReason = "nesting too deep";
    return nullptr;
  }
  const char* q = skipWhiteSpace(p + 1);
  if (*q != closing) {
    for (;;) {
      Value inner;
      if (isObject) {
        if (*q != '"') return nullptr;
        q = parseString(q, inner);
        if (!q) return nullptr;
        q = skipWhiteSpace(q);
        if (*q != ':') return nullptr;
        ++q;
      }
      q = parseAt(q, inner, depth + 1);
      if (!q) return nullptr;
      q = skipWhiteSpace(q);
      if (*q == closing) break;
      if (*q != ',') return nullptr;
      q = skipWhiteSpace(q + 1);
    }
  }
  value.type = isObject ? kObject : kArray;
  return q + 1;
}

bool matchWord(const char* p, const char* word) { return std::strncmp(p, word, std::strlen(word)) == 0; }

const char* parseAt(const char* p, Value& value, int depth) {
  p = skipWhiteSpace(p);
  value = Value();
  value.begin = p;
  const char* after = nullptr;
  if (*p == '"') {
    after = parseString(p, value);
  } else if (*p == '-' || isDigit(*p)) {
    after = parseNumber(p, value);
  } else if (*p == '{' || *p == '[') {
    after = parseContainer(p, value, depth);
  } else if (matchWord(p, "true") || matchWord(p, "false")) {
    value.type = kBoolean;
    value.boolean = (*p == 't');
    after = p + (value.boolean ? 4 : 5);
  } else if (matchWord(p, "null")) {
    value.type = kNull;
    after = p + 4;
  }
  if (!after) {
    value.type = kInvalid;
    if (!value.invalidReason) value.invalidReason = "malformed value";
  }
  return after;
}

bool decimalSeparatorIsComma() {
  char probe[8];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  return std::strchr(probe, ',') != nullptr;
}

}  // namespace

size_t escapedLength(const char* text, size_t length) {
  size_t total = 0;
  for (size_t i = 0; i < length; ++i) {
    const char letter = escapeLetter(static_cast<unsigned char>(text[i]));
    total += (letter == 0) ? 1 : (letter == 'u' ? 6 : 2);
  }
  return total;
}

char* writeStringN(char* cursor, const char* name, const char* value, size_t valueLength) {
  if (!cursor) return nullptr;
  const size_t valuePart = escapedLength(value, valueLength) + 2;
  char* out = openGap(cursor, namePartLength(name) + valuePart);
  if (!out) return nullptr;
  out = writeName(out, name);
  *out++ = '"';
  out = writeEscaped(out, value, valueLength);
  *out++ = '"';
  return out;
}

char* writeString(char* cursor, const char* name, const char* value) {
  if (!value) value = "";
  return writeStringN(cursor, name, value, std::strlen(value));
}

char* writeInt(char* cursor, const char* name, int32_t value) {
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%i", value);
  return writeRaw(cursor, name, digits, static_cast<size_t>(n));
}

char* writeUInt(char* cursor, const char* name, uint32_t value) {
  char digits[16];
  const int n = std::snprintf(digits, sizeof digits, "%u", value);
  return writeRaw(cursor, name, digits, static_cast<size_t>(n));
}

char* writeUInt64(char* cursor, const char* name, uint64_t value) {
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(value));
  return writeRaw(cursor, name, digits, static_cast<size_t>(n));
}

char* writeObject(char* cursor, const char* name) { return writeContainer(cursor, name, "{}"); }
char* writeArray(char* cursor, const char* name) { return writeContainer(cursor, name, "[]"); }
char* leave(char* cursor) { return cursor ? cursor + 1 : nullptr; }

char* writeString(const WriterContext& context, char* cursor, const char* name,
                  const char* value) {
  return withGrowth(context, cursor, [&](char* c) { return writeString(c, name, value); });
}
char* writeInt(const WriterContext& context, char* cursor, const char* name, int32_t value) {
  return withGrowth(context, cursor, [&](char* c) { return writeInt(c, name, value); });
}
char* writeUInt(const WriterContext& context, char* cursor, const char* name, uint32_t value) {
  return withGrowth(context, cursor, [&](char* c) { return writeUInt(c, name, value); });
}
char* writeUInt64(const WriterContext& context, char* cursor, const char* name, uint64_t value) {
  return withGrowth(context, cursor, [&](char* c) { return writeUInt64(c, name, value); });
}
char* writeObject(const WriterContext& context, char* cursor, const char* name) {
  return withGrowth(context, cursor, [&](char* c) { return writeObject(c, name); });
}
char* writeArray(const WriterContext& context, char* cursor, const char* name) {
  return withGrowth(context, cursor, [&](char* c) { return writeArray(c, name); });
}

const char* findMember(const char* objectText, const char* name) {
  if (!objectText || !name) return nullptr;
  const char* p = skipWhiteSpace(objectText);
  if (*p != '{') return nullptr;
  p = skipWhiteSpace(p + 1);
  if (*p == '}') return nullptr;
  for (;;) {
    if (*p != '"') return nullptr;
    Value key;
    const char* afterKey = parseString(p, key);
    if (!afterKey) return nullptr;
    p = skipWhiteSpace(afterKey);
    if (*p != ':') return nullptr;
    p = skipWhiteSpace(p + 1);
    const KeyMatch match = matchKey(key.raw, key.rawLength, name);
    if (match == KeyMatch::kMalformed) return nullptr;  // a malformed object ends the search
    if (match == KeyMatch::kEqual) return p;
    Value skipped;
    p = parseAt(p, skipped, 0);
    if (!p) return nullptr;
    p = skipWhiteSpace(p);
    if (*p != ',') return nullptr;
    p = skipWhiteSpace(p + 1);
  }
}

const char* parseValue(const char* position, Value& value) {
  value = Value();
  if (!position) {
    value.invalidReason = "no value";
    return nullptr;
  }
  return parseAt(position, value, 0);
}

const char* stringValue(const char* position, const char* fallback, size_t* rawLength) {
  Value value;
  if (position && parseValue(position, value) && value.type == kString) {
    if (rawLength) *rawLength = value.rawLength;
    return value.raw;
  }
  if (rawLength) *rawLength = fallback ? std::strlen(fallback) : 0;
  return fallback;
}

char* decodeString(const char* raw, size_t rawLength, char* output) {
  if (!raw || !output) return nullptr;
  const char* p = raw;
  const char* end = raw + rawLength;
  char* out = output;
  while (p < end) {
    // Escapes never decode longer than they are written, so the output of
    // rawLength + 1 bytes always suffices.
    const size_t count = decodeOne(p, end, out);
    if (count == 0) return nullptr;
    out += count;
  }
  *out = '\0';
  return out;
}

int32_t integerValue(const char* position, int32_t fallback) {
  Value value;
  if (!position || !parseValue(position, value) || value.type != kNumber) return fallback;
  char text[64];
  const size_t length = value.rawLength < sizeof text - 1 ? value.rawLength : sizeof text - 1;
  std::memcpy(text, value.raw, length);
  text[length] = '\0';
  if (!value.isFloat) {
    // Same result as "%i": the value converted to long, then to int.
    return static_cast<int32_t>(static_cast<uint32_t>(std::strtoll(text, nullptr, 10)));
  }
  if (decimalSeparatorIsComma()) {
    if (char* dot = std::strchr(text, '.')) *dot = ',';
  }
  double number = 0;
  if (std::sscanf(text, "%lg", &number) != 1) return fallback;
  number = std::trunc(number);
  if (!(number >= -2147483648.0)) return INT32_MIN;
  if (number > 2147483647.0) return INT32_MAX;
  return static_cast<int32_t>(number);
}

const char* firstElement(const char* arrayText) {
  if (!arrayText) return nullptr;
  const char* p = skipWhiteSpace(arrayText);
  if (*p != '[') return nullptr;
  p = skipWhiteSpace(p + 1);
  return (*p == ']' || *p == '\0') ? nullptr : p;
}

const char* nextElement(const char* afterElement) {
  if (!afterElement) return nullptr;
  const char* p = skipWhiteSpace(afterElement);
  if (*p != ',') return nullptr;
  return skipWhiteSpace(p + 1);
}

const char* containerEnd(const char* position) {
  Value value;
  const char* after = parseValue(position, value);
  if (!after || (value.type != kObject && value.type != kArray)) return nullptr;
  return after - 1;
}

}  // namespace json
}  // namespace voxlator
