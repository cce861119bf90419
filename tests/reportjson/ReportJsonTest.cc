#include "reportjson/ReportJson.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "status/Status.h"

namespace json = voxlator::json;

namespace {

// A 512-byte report holding "{}": 508 bytes of free room.
struct Report {
  voerr::Status status;
  Report() { status.resetReport(); }
  char* top() { return status.reserveReport(0); }
  std::string text() const { return status.reportText(); }
};

TEST(JsonWriters, AddCommasOnlyBetweenMembers) {
  Report r;
  char* c = json::writeString(r.top(), "a", "1");
  EXPECT_EQ(r.text(), R"({"a":"1"})");
  c = json::writeInt(c, "b", -2);
  EXPECT_EQ(r.text(), R"({"a":"1","b":-2})");
  char* inner = json::writeObject(c, "o");
  inner = json::writeUInt(inner, "u", 4000000000u);
  inner = json::writeUInt64(inner, "w", 18000000000000000000ull);
  char* array = json::writeArray(inner, "list");
  array = json::writeString(array, nullptr, "x");
  array = json::writeObject(array, nullptr);
  c = json::leave(json::leave(json::leave(array)));  // out of element, list and "o"
  json::writeString(c, "z", "");
  EXPECT_EQ(r.text(),
            R"({"a":"1","b":-2,"o":{"u":4000000000,"w":18000000000000000000,"list":["x",{}]},"z":""})");
}

TEST(JsonWriters, FailWithoutRoomAndGrowWithAContext) {
  Report r;
  const std::string fits(502, 'x');  // "a":"<502>" needs 508 bytes
  const std::string tooLong(503, 'x');
  EXPECT_EQ(json::writeString(r.top(), "a", tooLong.c_str()), nullptr);
  EXPECT_EQ(r.text(), "{}");
  ASSERT_NE(json::writeString(r.top(), "a", fits.c_str()), nullptr);
  EXPECT_EQ(r.status.report[511], 'J');

  Report g;
  ASSERT_NE(json::writeString(g.status.writerContext(), g.top(), "a", tooLong.c_str()), nullptr);
  EXPECT_EQ(g.status.capacity, 1024);
  EXPECT_EQ(g.text(), "{\"a\":\"" + tooLong + "\"}");

  json::WriterContext noGrowth{nullptr, nullptr};
  Report n;
  EXPECT_EQ(json::writeString(noGrowth, n.top(), "a", tooLong.c_str()), nullptr);
  EXPECT_EQ(json::writeString(nullptr, "a", "b"), nullptr);
}

TEST(JsonWriters, EscapeControlBytesAndKeepUtf8) {
  Report r;
  json::writeString(r.top(), "k\"", "a\tb\x01\x7f\\\n\xc3\xa9");
  EXPECT_EQ(r.text(), "{\"k\\\"\":\"a\\tb\\u0001\\u007f\\\\\\n\xc3\xa9\"}");
}

std::string decoded(const char* raw) {
  char out[64];
  const char* end = json::decodeString(raw, std::strlen(raw), out);
  return end ? std::string(out, static_cast<size_t>(end - out)) : std::string("<fail>");
}

TEST(JsonDecode, HandlesUnicodeEscapes) {
  struct Case {
    const char* raw;
    std::string expected;
  };
  const Case cases[] = {
      {R"(\u00e9)", "\xc3\xa9"},
      {R"(\u00E9)", "\xc3\xa9"},
      {R"(\ud83d\ude00)", "\xf0\x9f\x98\x80"},
      {R"(\ud83d)", "<fail>"},
      {R"(\ud83dx)", "<fail>"},
      {R"(\ude00)", "<fail>"},
      {R"(\u12)", "<fail>"},
      {R"(\q)", "<fail>"},
      {R"(a\)", "<fail>"},
      {R"(\"\/\\\b\f\n\r\t)", "\"/\\\b\f\n\r\t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    EXPECT_EQ(decoded(c.raw), c.expected);
  }
}

TEST(JsonReaders, FindMembersAndElements) {
  const char* text = R"( { "a" : [1, {"x":null}, "s"], "a":2, "b\u0063": true } )";
  const char* a = json::findMember(text, "a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(*a, '[');
  const char* bc = json::findMember(text, "bc");
  json::Value value;
  ASSERT_NE(json::parseValue(bc, value), nullptr);
  EXPECT_EQ(value.type, json::kBoolean);
  EXPECT_TRUE(value.boolean);
  EXPECT_EQ(json::findMember(text, "missing"), nullptr);
  EXPECT_EQ(json::findMember("[1]", "a"), nullptr);
  EXPECT_EQ(json::findMember(R"({"a" 1})", "a"), nullptr);
  // A key that cannot be decoded makes the object malformed: the search
  // ends there, even when a later member has the name.
  for (const char* malformed : {R"({"b\q":1,"a":2})", R"({"\ud800":1,"a":2})",
                                R"({"a\u12":1,"a":2})", R"({"zz":1,"a\x":0,"a":2})"}) {
    SCOPED_TRACE(malformed);
    EXPECT_EQ(json::findMember(malformed, "a"), nullptr);
  }

  const char* first = json::firstElement(a);
  ASSERT_NE(first, nullptr);
  const char* after = json::parseValue(first, value);
  EXPECT_EQ(value.type, json::kNumber);
  const char* second = json::nextElement(after);
  after = json::parseValue(second, value);
  EXPECT_EQ(value.type, json::kObject);
  const char* third = json::nextElement(after);
  after = json::parseValue(third, value);
  EXPECT_EQ(value.type, json::kString);
  EXPECT_EQ(json::nextElement(after), nullptr);
  EXPECT_EQ(*json::containerEnd(a), ']');
  EXPECT_EQ(json::firstElement("[ ]"), nullptr);
  EXPECT_EQ(json::containerEnd("\"s\""), nullptr);
}

TEST(JsonReaders, RejectMalformedTexts) {
  const char* cases[] = {"{", "[1,]", "\"a\x01\"", "\"abc", "01x", "-", "1.", "tru", "{\"a\":}",
                         "\"\\"};
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    json::Value value;
    const char* after = json::parseValue(text, value);
    if (after) {
      EXPECT_NE(*after, '\0') << "accepted the whole text";
    } else {
      EXPECT_EQ(value.type, json::kInvalid);
    }
  }
  std::string deep(100000, '[');
  json::Value value;
  EXPECT_EQ(json::parseValue(deep.c_str(), value), nullptr);
}

TEST(JsonReaders, IntegerValues) {
  struct Case {
    const char* text;
    int32_t expected;
  };
  const Case cases[] = {{"2.9", 2}, {"-2.9", -2}, {"17", 17}, {"-17", -17}, {"1e2", 100},
                        {"\"5\"", -1}, {"null", -1}, {"1e300", INT32_MAX}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(json::integerValue(c.text, -1), c.expected);
  }
  size_t length = 0;
  EXPECT_STREQ(json::stringValue("7", "dflt", &length), "dflt");
  EXPECT_EQ(length, 4u);
}

TEST(JsonReaders, IntegerValueFollowsACommaDecimalLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a comma decimal separator installed";
  }
  EXPECT_EQ(json::integerValue("2.9", -1), 2);
  EXPECT_EQ(json::integerValue("-7.5e0", -1), -7);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
