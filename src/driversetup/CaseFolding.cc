#include "driversetup/CaseFolding.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "driversetup/CaseFoldTable.h"

namespace tessel {

namespace {

// Malformed bytes decode above the Unicode range, so they neither fold nor
// equal any real character (nor a malformed byte of another value).
constexpr uint32_t kMalformedBase = 0x110000;

uint8_t byteAt(std::string_view text, size_t pos) { return static_cast<uint8_t>(text[pos]); }

// Decodes the code point at `pos` and advances past it. Only well-formed
// sequences (no overlong forms, surrogates or values above U+10FFFF) decode;
// otherwise the lead byte alone is consumed.
uint32_t decodeCodePoint(std::string_view text, size_t& pos) {
  const uint8_t lead = byteAt(text, pos);
  size_t length = 0;
  uint32_t cp = 0;
  uint32_t minimum = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    cp = lead & 0x1F;
    minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    cp = lead & 0x0F;
    minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    cp = lead & 0x07;
    minimum = 0x10000;
  }
  bool wellFormed = length != 0 && text.size() - pos >= length;
  for (size_t i = 1; wellFormed && i < length; ++i) {
    const uint8_t next = byteAt(text, pos + i);
    wellFormed = (next & 0xC0) == 0x80;
    cp = (cp << 6) | (next & 0x3F);
  }
  wellFormed = wellFormed && cp >= minimum && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
  if (!wellFormed) {
    ++pos;
    return kMalformedBase + lead;
  }
  pos += length;
  return cp;
}

// Writes the full case folding of `cp` (1 to kMaxFolded code points) into
// `out` and returns its length.
int foldCodePoint(uint32_t cp, uint32_t* out) {
  // ASCII folds by lower-casing A to Z alone; no table search for it.
  if (cp < 0x80) {
    out[0] = (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    return 1;
  }
  const auto* begin = std::begin(casefold::kEntries);
  const auto* end = std::end(casefold::kEntries);
  const auto* entry = std::lower_bound(
      begin, end, cp, [](const casefold::Entry& e, uint32_t key) { return e.codePoint < key; });
  if (entry == end || entry->codePoint != cp) {
    out[0] = cp;
    return 1;
  }
  std::copy(entry->folded, entry->folded + entry->length, out);
  return entry->length;
}

// The folded code points of a text, one at a time.
class FoldedCodePoints {
 public:
  explicit FoldedCodePoints(std::string_view text) : text_(text) {}

  bool atEnd() const { return next_ == count_ && pos_ == text_.size(); }

  uint32_t next() {
    if (next_ == count_) {
      count_ = foldCodePoint(decodeCodePoint(text_, pos_), folded_);
      next_ = 0;
    }
    return folded_[next_++];
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  uint32_t folded_[casefold::kMaxFolded] = {};
  int count_ = 0;
  int next_ = 0;
};

}  // namespace

std::u32string foldCase(std::string_view text) {
  std::u32string folded;
  folded.reserve(text.size());
  FoldedCodePoints codePoints(text);
  while (!codePoints.atEnd()) folded.push_back(codePoints.next());
  return folded;
}

int compareNoCase(std::string_view a, std::string_view b) {
  if (a == b) return 0;
  FoldedCodePoints left(a);
  FoldedCodePoints right(b);
  while (!left.atEnd() && !right.atEnd()) {
    const uint32_t x = left.next();
    const uint32_t y = right.next();
    if (x != y) return x < y ? -1 : 1;
  }
  if (left.atEnd() && right.atEnd()) return 0;
  return left.atEnd() ? -1 : 1;
}

}  // namespace tessel
