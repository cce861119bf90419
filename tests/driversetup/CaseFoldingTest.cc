#include "driversetup/CaseFolding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

int sign(int value) { return (value > 0) - (value < 0); }

// A heap copy of exactly the text's bytes, with no terminator after them,
// so a sanitizer build catches any read past the end.
std::unique_ptr<char[]> exactCopy(const std::string& text) {
  auto copy = std::make_unique<char[]>(text.size());
  std::memcpy(copy.get(), text.data(), text.size());
  return copy;
}

TEST(CompareNoCase, FoldsAndOrders) {
  struct Case {
    const char* name;
    std::string a;
    std::string b;
    int expectedSign;
  };
  const Case cases[] = {
      {"ascii", "ResourceName", "RESOURCENAME", 0},
      {"ligature ff", "\xEF\xAC\x80", "FF", 0},  // U+FB00
      {"sharp s", "Stra\xC3\x9F" "e", "STRASSE", 0},
      {"final sigma", "\xCE\xA3\xCE\x91\xCE\xA3", "\xCF\x83\xCE\xB1\xCF\x82", 0},
      {"latin-1 letter", "\xC3\x83", "\xC3\xA3", 0},  // U+00C3, U+00E3
      {"less", "a", "B", -1},
      {"greater", "b", "A", 1},
      {"prefix is less", "Model", "MODELS", -1},
      {"folded prefix", "\xEF\xAC\x80", "f", 1},
      {"empty", "", "a", -1},
      // A malformed byte is a code point of its own: not a Latin-1 letter,
      // so it neither folds nor matches another malformed byte.
      {"lone lead bytes", "\xC3", "\xE3", -1},
      {"lone lead vs letter", "\xC3", "\xC3\xA3", 1},
      {"overlong 'A'", "\xC1\x81", "a", 1},
      {"surrogate bytes", "\xED\xA0\x80", "\xED\xA0\x81", -1},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "\xF4\x90\x80\x81", -1},
      // Sequences cut off by the end of the text.
      {"cut 3-byte", "A\xE2\x82", "a\xE2\x82", 0},
      {"cut 4-byte", "a\xF0\x9F", "A\xF0\x9F\x98", -1},
      {"lone 4-byte lead", "A\xF0", "a\xF0", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto a = exactCopy(c.a);
    const auto b = exactCopy(c.b);
    EXPECT_EQ(sign(tessel::compareNoCase({a.get(), c.a.size()}, {b.get(), c.b.size()})),
              c.expectedSign);
    EXPECT_EQ(sign(tessel::compareNoCase({b.get(), c.b.size()}, {a.get(), c.a.size()})),
              -c.expectedSign);
  }
}

}  // namespace
