// The system configuration service stand-in, through its own interfaces.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "vosysapi.h"
#include "vosysapi_standin.h"

namespace {

struct Releaser {
  void operator()(ImxSysUnknown* object) const {
    if (object != nullptr) object->release();
  }
};
template <class T>
using Ref = std::unique_ptr<T, Releaser>;

const char32_t kTarget[] = U"//localhost/acqo,tovikGC,tovikaux";

Ref<ImxSysFramework> instantiate(VosysResult expected = kVosysOk) {
  ImxSysFramework* framework = nullptr;
  EXPECT_EQ(vosysInstantiateFramework3(1, 0, 2, U"acqo,tovikGC,tovikaux", &framework), expected);
  return Ref<ImxSysFramework>(framework);
}

std::u32string takeString(char32_t* text) {
  std::u32string value(text != nullptr ? text : U"", vosysStringLength(text));
  vosysFreeString(text);
  return value;
}

Ref<ImxSysPropertyBag> filterFor(ImxSysFramework& framework, const char32_t* name) {
  ImxSysUnknown* object = nullptr;
  EXPECT_EQ(framework.createPropertyBag(&object), kVosysOk);
  Ref<ImxSysUnknown> held(object);
  void* bag = nullptr;
  EXPECT_EQ(object->queryInterface(ImxSysPropertyBag::kIid, &bag), kVosysOk);
  Ref<ImxSysPropertyBag> filter(static_cast<ImxSysPropertyBag*>(bag));
  if (name != nullptr) {
    EXPECT_EQ(filter->setString(kVosysTagResourceName, name), kVosysOk);
  }
  return filter;
}

// Every item a search delivers, in order.
std::vector<Ref<ImxSysUnknown>> search(ImxSysFramework& framework, const char32_t* name) {
  Ref<ImxSysPropertyBag> filter = filterFor(framework, name);
  ImxSysEnumUnknown* found = nullptr;
  EXPECT_EQ(framework.findHardware(kTarget, 2, filter.get(), &found), kVosysOk);
  Ref<ImxSysEnumUnknown> enumerator(found);
  std::vector<Ref<ImxSysUnknown>> items;
  ImxSysUnknown* item = nullptr;
  uint32_t fetched = 0;
  while (enumerator && enumerator->next(1, &item, &fetched) == kVosysOk) {
    EXPECT_EQ(fetched, 1u);
    items.emplace_back(item);
  }
  return items;
}

Ref<ImxSysPropertyBag> asBag(ImxSysUnknown& item) {
  void* bag = nullptr;
  item.queryInterface(ImxSysPropertyBag::kIid, &bag);
  return Ref<ImxSysPropertyBag>(static_cast<ImxSysPropertyBag*>(bag));
}

std::u32string serialOf(ImxSysUnknown& item) {
  char32_t* text = nullptr;
  EXPECT_EQ(asBag(item)->getString(kVosysTagSerialNumber, &text), kVosysOk);
  return takeString(text);
}

class SysApiStandinTest : public testing::Test {
 protected:
  void SetUp() override {
    VosysStandin_reset();
    liveBefore_ = VosysStandin_liveObjects();
  }
  // Everything handed out was released again.
  void TearDown() override { EXPECT_EQ(VosysStandin_liveObjects(), liveBefore_); }

 private:
  int64_t liveBefore_ = 0;
};

TEST_F(SysApiStandinTest, MissingConfigurationMeansEmptyInventory) {
  VosysStandinConfig config("");
  ASSERT_EQ(unlink(config.path().c_str()), 0);
  Ref<ImxSysFramework> framework = instantiate();
  ASSERT_TRUE(framework);
  EXPECT_TRUE(search(*framework, U"Dev1").empty());
  ImxSysEnumExpertInfo* experts = nullptr;
  ASSERT_EQ(framework->listExperts(kTarget, &experts), kVosysOk);
  Ref<ImxSysEnumExpertInfo> held(experts);
  ImxSysExpertInfo* item = reinterpret_cast<ImxSysExpertInfo*>(1);
  uint32_t fetched = 7;
  EXPECT_EQ(experts->next(1, &item, &fetched), kVosysFalse);
  EXPECT_EQ(fetched, 0u);
}

TEST_F(SysApiStandinTest, SearchMatchesResourceNameExactlyInConfigurationOrder) {
  VosysStandinConfig config(
      "# two devices answer to Dev1\n"
      "device Dev1\n"
      "  string 0x1007000 first\n"
      "device dev1\n"
      "  string 0x1007000 lower\n"
      "device Dev1\n"
      "  string 0x1007000 second\n"
      "device PXI1 Slot 2\n"
      "  string 0x1007000 spaced\n");
  Ref<ImxSysFramework> framework = instantiate();
  ASSERT_TRUE(framework);

  std::vector<Ref<ImxSysUnknown>> dev1 = search(*framework, U"Dev1");
  ASSERT_EQ(dev1.size(), 2u);
  EXPECT_EQ(serialOf(*dev1[0]), U"first");
  EXPECT_EQ(serialOf(*dev1[1]), U"second");

  std::vector<Ref<ImxSysUnknown>> spaced = search(*framework, U"PXI1 Slot 2");
  ASSERT_EQ(spaced.size(), 1u);
  char32_t* name = nullptr;
  ASSERT_EQ(asBag(*spaced[0])->getString(kVosysTagResourceName, &name), kVosysOk);
  EXPECT_EQ(takeString(name), U"PXI1 Slot 2");

  EXPECT_TRUE(search(*framework, U"Dev").empty());
  // A filter without a name asks for everything.
  EXPECT_EQ(search(*framework, nullptr).size(), 4u);
}

TEST_F(SysApiStandinTest, TypedReads) {
  VosysStandinConfig config(
      "device Dev1\n"
      "  int32 0x1024000 -3\n"
      "  uint32 0x1005000 0x728AC4C4\n"
      "  bool 0x1009000 true\n"
      "  string 0x1007000 Ser \xC3\xA4\xE2\x82\xAC\xF0\x9D\x84\x9E  \n"
      "  string 0x2000000\n");
  Ref<ImxSysFramework> framework = instantiate();
  std::vector<Ref<ImxSysUnknown>> items = search(*framework, U"Dev1");
  ASSERT_EQ(items.size(), 1u);
  Ref<ImxSysPropertyBag> bag = asBag(*items[0]);

  int32_t signedValue = 0;
  EXPECT_EQ(bag->getInt32(kVosysTagUsableState, &signedValue), kVosysOk);
  EXPECT_EQ(signedValue, -3);
  uint32_t unsignedValue = 0;
  EXPECT_EQ(bag->getUInt32(kVosysTagProductId, &unsignedValue), kVosysOk);
  EXPECT_EQ(unsignedValue, 0x728AC4C4u);
  int32_t flag = 0;
  EXPECT_EQ(bag->getBool(kVosysTagKeptSimulation, &flag), kVosysOk);
  EXPECT_EQ(flag, 1);

  // Length-prefixed: the count in the 4 bytes before the characters, a NUL
  // after them; trailing blanks of the line are not part of the text.
  char32_t* text = nullptr;
  ASSERT_EQ(bag->getString(kVosysTagSerialNumber, &text), kVosysOk);
  uint32_t count = 0;
  std::memcpy(&count, reinterpret_cast<unsigned char*>(text) - 4, 4);
  EXPECT_EQ(count, 7u);
  EXPECT_EQ(text[7], U'\0');
  EXPECT_EQ(takeString(text), U"Ser \u00E4\u20AC\U0001D11E");
  ASSERT_EQ(bag->getString(0x2000000, &text), kVosysOk);
  EXPECT_EQ(takeString(text), U"");

  EXPECT_EQ(bag->getUInt32(kVosysTagUsableState, &unsignedValue), kVosysErrPropertyTypeMismatch);
  EXPECT_EQ(bag->getBool(kVosysTagSerialNumber, &flag), kVosysErrPropertyTypeMismatch);
  EXPECT_EQ(bag->getInt32(0x1234, &signedValue), kVosysErrPropertyNotFound);
  EXPECT_EQ(bag->getString(0x1234, &text), kVosysErrPropertyNotFound);
  EXPECT_EQ(text, nullptr);
}

TEST_F(SysApiStandinTest, MalformedConfigurationFailsInstantiation) {
  const char* const kBadLines[] = {
      "int32 0x1024000 1\n",                 // before any device
      "device\n",                            // no name
      "device Dev1\nbool 0x1009000 maybe\n",
      "device Dev1\nint32 0x1024000 1 2\n",  // trailing word
      "device Dev1\nint32 0x1024000 0x80000000\n",
      "device Dev1\nuint32 0x1005000 -1\n",
      "device Dev1\nstring 0x1007000 \xFF\n",  // not UTF-8
      "device Dev1\nresult getString 0x1007000\n",
      "device Dev1\nnobag please\n",
      "fail bogus 1\n",
      "fail findHardware\n",
      "frobnicate 1\n",
  };
  for (const char* text : kBadLines) {
    SCOPED_TRACE(text);
    VosysStandinConfig config(text);
    EXPECT_FALSE(instantiate(kVosysErrFail));
  }
}

TEST_F(SysApiStandinTest, InjectedFailures) {
  VosysStandinConfig config(
      "expert acqo\n"
      "fail listExperts 0x80004005\n"
      "device Dev1\n"
      "  string 0x1007000 A1\n"
      "  result getString 0x1007000 1\n"
      "  result getInt32 0x1024000 -5\n"
      "  int32 0x1024000 1\n"
      "device Dev1\n"
      "  nobag\n");
  Ref<ImxSysFramework> framework = instantiate();
  ASSERT_TRUE(framework);

  ImxSysEnumExpertInfo* experts = nullptr;
  EXPECT_EQ(framework->listExperts(kTarget, &experts), kVosysErrFail);
  EXPECT_EQ(experts, nullptr);

  // Queued failures are one-shot, in order, and count as calls.
  ASSERT_EQ(VosysStandin_failNext("findHardware", -7), kVosysOk);
  ASSERT_EQ(VosysStandin_failNext("findHardware", -8), kVosysOk);
  Ref<ImxSysPropertyBag> filter = filterFor(*framework, U"Dev1");
  ImxSysEnumUnknown* found = nullptr;
  EXPECT_EQ(framework->findHardware(kTarget, 2, filter.get(), &found), -7);
  EXPECT_EQ(framework->findHardware(kTarget, 2, filter.get(), &found), -8);
  EXPECT_EQ(VosysStandin_callCount("findHardware"), 2u);
  EXPECT_EQ(VosysStandin_failNext("noSuchCall", -1), kVosysErrInvalidArg);

  std::vector<Ref<ImxSysUnknown>> items = search(*framework, U"Dev1");
  ASSERT_EQ(items.size(), 2u);
  // A forced positive read result still delivers the text.
  char32_t* text = nullptr;
  EXPECT_EQ(asBag(*items[0])->getString(kVosysTagSerialNumber, &text), 1);
  EXPECT_EQ(takeString(text), U"A1");
  int32_t value = 0;
  EXPECT_EQ(asBag(*items[0])->getInt32(kVosysTagUsableState, &value), -5);

  // The nobag item is an object, but not a bag.
  void* object = nullptr;
  EXPECT_EQ(items[1]->queryInterface(ImxSysPropertyBag::kIid, &object), kVosysErrNoInterface);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(items[1]->queryInterface(ImxSysUnknown::kIid, &object), kVosysOk);
  static_cast<ImxSysUnknown*>(object)->release();
}

TEST_F(SysApiStandinTest, RejectsBadArguments) {
  VosysStandinConfig config("device Dev1\n");
  ImxSysFramework* raw = nullptr;
  EXPECT_EQ(vosysInstantiateFramework3(2, 0, 2, U"acqo", &raw), kVosysErrInvalidArg);
  EXPECT_EQ(vosysInstantiateFramework3(1, 0, 2, nullptr, &raw), kVosysErrPointer);
  EXPECT_EQ(raw, nullptr);

  Ref<ImxSysFramework> framework = instantiate();
  Ref<ImxSysPropertyBag> filter = filterFor(*framework, U"Dev1");
  ImxSysEnumUnknown* found = nullptr;
  EXPECT_EQ(framework->findHardware(kTarget, 1, filter.get(), &found), kVosysErrInvalidArg);
  EXPECT_EQ(framework->findHardware(U"//remote/acqo", 2, filter.get(), &found),
            kVosysErrInvalidArg);
  EXPECT_EQ(framework->findHardware(kTarget, 2, nullptr, &found), kVosysErrPointer);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(filter->setString(kVosysTagResourceName, nullptr), kVosysErrPointer);
}

TEST_F(SysApiStandinTest, EnumeratorDeliversBatchesAndEnds) {
  VosysStandinConfig config("expert acqo\nexpert tovikGC\nexpert tovikaux\n");
  Ref<ImxSysFramework> framework = instantiate();
  ImxSysEnumExpertInfo* raw = nullptr;
  ASSERT_EQ(framework->listExperts(kTarget, &raw), kVosysOk);
  Ref<ImxSysEnumExpertInfo> experts(raw);

  ImxSysExpertInfo* items[4] = {};
  uint32_t fetched = 0;
  ASSERT_EQ(experts->next(2, items, &fetched), kVosysOk);
  ASSERT_EQ(fetched, 2u);
  ASSERT_EQ(experts->next(2, items + 2, &fetched), kVosysFalse);  // only one left
  ASSERT_EQ(fetched, 1u);
  std::vector<std::u32string> names;
  for (ImxSysExpertInfo* item : items) {
    if (item == nullptr) continue;
    char32_t* name = nullptr;
    EXPECT_EQ(item->getName(&name), kVosysOk);
    names.push_back(takeString(name));
    item->release();
  }
  EXPECT_EQ(names, (std::vector<std::u32string>{U"acqo", U"tovikGC", U"tovikaux"}));
  EXPECT_EQ(experts->next(1, items, &fetched), kVosysFalse);
  EXPECT_EQ(fetched, 0u);
}

}  // namespace
