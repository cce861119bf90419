// The system's own property bag and the text conversion at the service
// boundary; no service involved.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sysconfig/CmxDynamicPropertyBag.h"
#include "sysconfig/HResultException.h"
#include "sysconfig/PropertyBagHandle.h"
#include "sysconfig/WideText.h"

namespace {

using sysapicpp::InterfacePtr;

TEST(CmxDynamicPropertyBagTest, TypedValuesRoundTrip) {
  InterfacePtr<CmxDynamicPropertyBag> bag = CmxDynamicPropertyBag::create();
  const VosysGuid guid{0x01020304u, 0x0506u, 0x0708u, {9, 10, 11, 12, 13, 14, 15, 16}};
  const CmxUtcTime stamp{1700000000, 1ull << 63};
  bag->setValue(1, true);
  bag->setValue(2, int32_t{-42});
  bag->setValue(3, uint32_t{0xFFFFFFFFu});
  bag->setValue(4, 2.5);
  bag->setValue(5, guid);
  bag->setValue(6, std::u32string(U"\u00E4\U0001D11E"));
  bag->setValue(7, stamp);

  bool flag = false;
  int32_t signedValue = 0;
  uint32_t unsignedValue = 0;
  double real = 0;
  VosysGuid guidValue{};
  std::u32string text;
  CmxUtcTime time{};
  EXPECT_EQ(bag->getValue(1, flag), kVosysOk);
  EXPECT_EQ(bag->getValue(2, signedValue), kVosysOk);
  EXPECT_EQ(bag->getValue(3, unsignedValue), kVosysOk);
  EXPECT_EQ(bag->getValue(4, real), kVosysOk);
  EXPECT_EQ(bag->getValue(5, guidValue), kVosysOk);
  EXPECT_EQ(bag->getValue(6, text), kVosysOk);
  EXPECT_EQ(bag->getValue(7, time), kVosysOk);
  EXPECT_TRUE(flag);
  EXPECT_EQ(signedValue, -42);
  EXPECT_EQ(unsignedValue, 0xFFFFFFFFu);
  EXPECT_EQ(real, 2.5);
  EXPECT_EQ(guidValue, guid);
  EXPECT_EQ(text, U"\u00E4\U0001D11E");
  EXPECT_EQ(time, stamp);

  // A later value replaces the earlier one, type and all.
  bag->setValue(2, std::u32string(U"now text"));
  EXPECT_EQ(bag->getValue(2, signedValue), kVosysErrPropertyTypeMismatch);
  EXPECT_EQ(bag->getValue(2, text), kVosysOk);
  EXPECT_EQ(text, U"now text");
}

TEST(CmxDynamicPropertyBagTest, ReadsThroughTheServiceInterface) {
  InterfacePtr<CmxDynamicPropertyBag> bag = CmxDynamicPropertyBag::create();
  ImxSysPropertyBag& service = *bag.get();
  ASSERT_EQ(service.setString(kVosysTagSerialNumber, U"A\u00DF"), kVosysOk);
  bag->setValue(kVosysTagKeptSimulation, true);
  bag->setValue(kVosysTagProductId, uint32_t{0x78D9});

  char32_t* text = nullptr;
  ASSERT_EQ(service.getString(kVosysTagSerialNumber, &text), kVosysOk);
  uint32_t count = 0;
  std::memcpy(&count, reinterpret_cast<unsigned char*>(text) - 4, 4);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(text[2], U'\0');
  EXPECT_EQ(std::u32string(text), U"A\u00DF");
  vosysFreeString(text);

  int32_t flag = 0;
  EXPECT_EQ(service.getBool(kVosysTagKeptSimulation, &flag), kVosysOk);
  EXPECT_EQ(flag, 1);
  uint32_t id = 0;
  EXPECT_EQ(service.getUInt32(kVosysTagProductId, &id), kVosysOk);
  EXPECT_EQ(id, 0x78D9u);

  // The two read failures, the code passing unchanged into the exception.
  struct Case {
    const char* what;
    std::function<VosysResult()> read;
    std::function<void(const sysapicpp::PropertyBagHandle&)> handleRead;
    VosysResult code;
  };
  int32_t signedValue = 0;
  const Case kCases[] = {
      {"absent", [&] { return service.getInt32(kVosysTagUsableState, &signedValue); },
       [](const sysapicpp::PropertyBagHandle& h) { h.getInt32(kVosysTagUsableState); },
       kVosysErrPropertyNotFound},
      {"absent string", [&] { return service.getString(0x42, &text); },
       [](const sysapicpp::PropertyBagHandle& h) { h.getString(0x42); }, kVosysErrPropertyNotFound},
      {"wrong type", [&] { return service.getInt32(kVosysTagProductId, &signedValue); },
       [](const sysapicpp::PropertyBagHandle& h) { h.getInt32(kVosysTagProductId); },
       kVosysErrPropertyTypeMismatch},
      {"string as Boolean", [&] { return service.getBool(kVosysTagSerialNumber, &flag); },
       [](const sysapicpp::PropertyBagHandle& h) { h.getBool(kVosysTagSerialNumber); },
       kVosysErrPropertyTypeMismatch},
  };
  const sysapicpp::PropertyBagHandle handle{InterfacePtr<ImxSysPropertyBag>(bag)};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    text = nullptr;
    EXPECT_EQ(c.read(), c.code);
    EXPECT_EQ(text, nullptr);
    try {
      c.handleRead(handle);
      ADD_FAILURE() << "no exception";
    } catch (const sysapicpp::HResultException& e) {
      EXPECT_EQ(e.code(), c.code);
    }
  }
}

TEST(CmxDynamicPropertyBagTest, AnswersOnlyTheBagInterface) {
  InterfacePtr<CmxDynamicPropertyBag> bag = CmxDynamicPropertyBag::create();
  InterfacePtr<ImxSysUnknown> object(bag);
  EXPECT_TRUE(object.query<ImxSysPropertyBag>());
  EXPECT_TRUE(object.query<ImxSysUnknown>());
  EXPECT_FALSE(object.query<ImxSysFramework>());
  // And so it can be the bag of a handle built from a plain object.
  EXPECT_NO_THROW(sysapicpp::PropertyBagHandle::fromObject(object).setString(1, "x"));
}

TEST(WideTextTest, Utf8ToUtf32) {
  struct Case {
    const char* utf8;
    std::u32string wide;
  };
  const Case kCases[] = {
      {"", U""},
      {"PXI1Slot2", U"PXI1Slot2"},
      {"\xC3\xA4\xE2\x82\xAC\xF0\x9D\x84\x9E", U"\u00E4\u20AC\U0001D11E"},
      {"\xF4\x8F\xBF\xBF", U"\U0010FFFF"},
      // Ill-formed input: one U+FFFD per maximal ill-formed subsequence.
      {"a\xFF" "b", U"a\uFFFDb"},
      {"\xC0\xAF", U"\uFFFD\uFFFD"},                   // overlong
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},         // surrogate
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE2\x82", U"\uFFFD"},                          // truncated at the end
      {"\xE2\x82x", U"\uFFFDx"},                        // truncated in the middle
      {"\x80", U"\uFFFD"},                              // stray continuation
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(sysapicpp::toWide(c.utf8), c.wide);
  }
}

TEST(WideTextTest, Utf32ToUtf8) {
  EXPECT_EQ(sysapicpp::toUtf8(U"\u00E4\u20AC\U0001D11E"), "\xC3\xA4\xE2\x82\xAC\xF0\x9D\x84\x9E");
  const char32_t invalid[] = {U'a', 0xD800, 0x110000, 0xFFFFFFFF, U'b'};
  EXPECT_EQ(sysapicpp::toUtf8(std::u32string_view(invalid, 5)),
            "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD" "b");
}

}  // namespace
