// Case-insensitive comparison of UTF-8 byte strings by Unicode full case
// folding (so U+FB00 LATIN SMALL LIGATURE FF equals "ff", and U+00DF equals
// "ss").
#pragma once

#include <string>
#include <string_view>

namespace tessel {

// Negative, zero or positive like strcmp, on the folded code points. A byte
// that does not start a well-formed UTF-8 sequence (including a sequence cut
// off by the end of the text) counts as one code point of its own, distinct
// from every character; the text is never read past its end.
int compareNoCase(std::string_view a, std::string_view b);

inline bool equalsNoCase(std::string_view a, std::string_view b) {
  return compareNoCase(a, b) == 0;
}

// The folded code points that compareNoCase compares: two texts are equal
// without regard to case exactly when their folded forms are equal. Fold a
// text once to keep it in a set instead of comparing it with every other.
std::u32string foldCase(std::string_view text);

}  // namespace tessel
