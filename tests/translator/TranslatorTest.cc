// The registration list, translation sessions, the default translator and
// the retrying formatted-text translation. share.dir points at the fixture
// share directory: errors/English has -100 and -200, errors/Japanese only
// -100, and there is no other language.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "text/BasicString.h"
#include "translator/Registration.h"
#include "translator/Session.h"
#include "translator/Translate.h"

namespace {

using ::testing::HasSubstr;

std::string take(char* text) {
  std::string copy = text ? text : "<null>";
  voxlator::allocate(text, 0, nullptr, nullptr);
  return copy;
}

TEST(Registrations, HoldTheScriptTranslatorThenTheDefault) {
  const voxlator::XlatorRegistration* tovik = voxlator::XlatorRegistration::find("mxlator_tovik");
  ASSERT_NE(tovik, nullptr);
  EXPECT_STREQ(tovik->registrationInfo(),
               R"({"voxlatorlua_xlator":"mxlator","voxlatorlua_settings":{"driverName":"tovik",)"
               R"("voSharedErrorsDir":"$_voShared32Dir/errors","MIErrorsDir":"$_voShared32Dir/mierrors"}})");
  ASSERT_NE(tovik->next(), nullptr);
  EXPECT_STREQ(tovik->next()->name(), "voxlator_default");
  EXPECT_STREQ(tovik->next()->registrationInfo(), "{}");
  EXPECT_EQ(voxlator::XlatorRegistration::find("mxlator"), nullptr);
}

struct Described {
  std::string text;
  int32_t code;
  std::string report;
};

Described staticDescription(int32_t code, const char* translator, uint32_t language) {
  voerr::Status status;
  voxlator::ScopedSession session(status);
  const std::string text = take(
      session.get()->getStaticDesc(code, translator, language, &voxlator::allocate, nullptr, status));
  return {text, status.code, status.reportText()};
}

TEST(DefaultTranslator, AnswersInTheLanguageOrInEnglish) {
  struct Case {
    int32_t code;
    uint32_t language;
    const char* expected;
  };
  const Case cases[] = {
      {-100, 0, "English hundred"},
      {-100, 3, "日本語の百"},
      {-200, 3, "English two hundred"},   // Japanese lacks it
      {-200, 4, "English two hundred"},   // no Korean directory at all
      {-100, 0x203, "日本語の百"},        // the development-environment bits do not matter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " in " + std::to_string(c.language));
    const Described described = staticDescription(c.code, "voxlator_default", c.language);
    EXPECT_EQ(described.text, c.expected);
    EXPECT_EQ(described.code, 0) << described.report;
  }
}

TEST(DefaultTranslator, ReportsACodeNoFileDescribes) {
  const Described described = staticDescription(-999, "voxlator_default", 0x201);
  EXPECT_EQ(described.text, "<null>");
  EXPECT_EQ(described.code, -52006);
  EXPECT_THAT(described.report,
              HasSubstr(R"("voxlator_debug":{"voxlator_defaultTranslator":"couldn't find )"
                        R"(description for code","code":-999,"lang":0,"ade":2})"));
}

TEST(Session, TheRegisteredScriptTranslatorAnswers) {
  const Described described = staticDescription(-100, "mxlator_tovik", 3);
  EXPECT_EQ(described.text, "日本語の百");
  EXPECT_EQ(described.code, 0) << described.report;
}

TEST(Session, AnUnknownTranslatorWithoutTheExternalManagerIsALoadError) {
  voerr::Status first;
  voxlator::ScopedSession session(first);
  const char* report = R"({"translator":"nobody"})";
  EXPECT_EQ(session.get()->getDynamicDesc(report, 0, "json1", &voxlator::allocate, nullptr, first),
            nullptr);
  EXPECT_EQ(first.code, -52005);
  EXPECT_THAT(first.reportText(), HasSubstr(R"("path":"libvoxlator.so.1")"));
  // The second request reports the remembered failure.
  voerr::Status second;
  EXPECT_EQ(session.get()->getDynamicDesc(report, 0, "json1", &voxlator::allocate, nullptr, second),
            nullptr);
  EXPECT_EQ(second.code, -52005);
  EXPECT_STREQ(second.reportText(), first.reportText());
}

TEST(Session, ADynamicDescriptionNeedsATranslatorName) {
  for (const char* report : {"{}", R"({"translator":""})", R"({"translator":5})", "not json"}) {
    SCOPED_TRACE(report);
    voerr::Status status;
    voxlator::ScopedSession session(status);
    EXPECT_EQ(session.get()->getDynamicDesc(report, 0, "json1", &voxlator::allocate, nullptr, status),
              nullptr);
    EXPECT_EQ(status.code, -52006);
    EXPECT_THAT(status.reportText(), HasSubstr("could not find translator key in json"));
  }
}

// A registered translator of the test, counting its lives.
int created = 0;
int destroyed = 0;

void destroyCounted(Xlator* translator) {
  ++destroyed;
  delete translator;
}

char* fixedStatic(Xlator*, int32_t code, uint32_t, XlatorAllocFn alloc, void* data,
                  voerr::Status* status) {
  const std::string text = "static " + std::to_string(code);
  char* out = static_cast<char*>(alloc(nullptr, text.size() + 1, data, status));
  if (out) std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

char* fixedDynamic(Xlator*, const char*, uint32_t, const char*, XlatorAllocFn alloc, void* data,
                   voerr::Status* status) {
  const std::string text = R"({"dynamic":[{"type":"usage","key":"Key","value":"v"}],"debug":{}})";
  char* out = static_cast<char*>(alloc(nullptr, text.size() + 1, data, status));
  if (out) std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

Xlator* createStaticOnly(const char*, const char*, voerr::Status&) {
  ++created;
  return new Xlator{sizeof(Xlator), &destroyCounted, &fixedStatic, nullptr};
}

Xlator* createFull(const char*, const char*, voerr::Status&) {
  ++created;
  return new Xlator{sizeof(Xlator), &destroyCounted, &fixedStatic, &fixedDynamic};
}

char* failingStatic(Xlator*, int32_t, uint32_t, XlatorAllocFn, void*, voerr::Status* status) {
  status->setCode(-52003);
  return nullptr;
}

char* failingDynamic(Xlator*, const char*, uint32_t, const char*, XlatorAllocFn, void*,
                     voerr::Status* status) {
  status->setCode(-52003);
  return nullptr;
}

Xlator* createFailing(const char*, const char*, voerr::Status&) {
  return new Xlator{sizeof(Xlator), &destroyCounted, &failingStatic, &failingDynamic};
}

TEST(Session, CachesTranslatorsAndReleasesThemOnce) {
  const voxlator::XlatorRegistration registration("test_static_only", "{}", &createStaticOnly);
  created = destroyed = 0;
  {
    voerr::Status status;
    voxlator::ScopedSession session(status);
    Xlator* first = session.get()->getTranslator("test_static_only", status);
    EXPECT_EQ(session.get()->getTranslator("test_static_only", status), first);
    EXPECT_EQ(created, 1);
    const char* report = R"({"translator":"test_static_only"})";
    EXPECT_EQ(session.get()->getDynamicDesc(report, 0, "json1", &voxlator::allocate, nullptr, status),
              nullptr);
    EXPECT_EQ(status.code, -52006);
    EXPECT_THAT(status.reportText(),
                HasSubstr(R"({"debug":"xlator doesn't support getDynamicDesc","xlatorName":"test_static_only"})"));
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

std::string translate(const voerr::Status& report, uint32_t flags, voerr::Status& status,
                      const char* previous = "") {
  vohtl::BasicString output;
  voerr::Status scratch;
  output.assign(previous, scratch);
  vomxl::translateStatusToFormattedText(report, 0, flags, output, status);
  return std::string(output.view());
}

void makeReport(voerr::Status& report, int32_t code, const char* json) {
  report.setCode(code);
  report.assignReport(json);
}

TEST(TranslateStatus, ACodeOfZeroRendersNothing) {
  voerr::Status report;
  voerr::Status status;
  EXPECT_EQ(translate(report, 1, status, "kept"), "kept");
  EXPECT_EQ(status.code, 0);
}

TEST(TranslateStatus, FallsBackToTheDefaultTranslatorForTheStaticText) {
  const voxlator::XlatorRegistration registration("test_failing", "{}", &createFailing);
  voerr::Status report;
  makeReport(report, -100, R"({"error_constant":"x","translator":"test_failing"})");
  voerr::Status status;
  EXPECT_EQ(translate(report, 1 | 2, status, "replaced"), "English hundred");
  EXPECT_EQ(status.code, 0) << status.reportText();
}

TEST(TranslateStatus, AFinalFailureLeavesTheReportJson) {
  const voxlator::XlatorRegistration registration("test_failing", "{}", &createFailing);
  voerr::Status report;
  makeReport(report, -100, R"({"error_constant":"x","translator":"test_failing"})");
  voerr::Status status;
  EXPECT_EQ(translate(report, 2 | 8, status, "before"), std::string("before\n\n") + report.report);
  EXPECT_EQ(status.code, -52003);
  voerr::Status again;
  EXPECT_EQ(translate(report, 2, again), report.report);
}

TEST(TranslateStatus, RetriesWithoutNestingWhenANestedErrorFails) {
  const voxlator::XlatorRegistration registration("test_full", "{}", &createFull);
  voerr::Status report;
  makeReport(report, -5, R"({"translator":"test_full","nested_error":5})");
  voerr::Status status;
  EXPECT_EQ(translate(report, 1 | 2 | 8, status), "static -5\n\nKey: v");
  EXPECT_EQ(status.code, 0) << status.reportText();
}

TEST(TranslateStatus, RendersNestedErrorsIndented) {
  const voxlator::XlatorRegistration registration("test_full", "{}", &createFull);
  voerr::Status report;
  makeReport(report, -5,
             R"({"translator":"test_full","nested_error":{"code":-6,"translator":"test_full"}})");
  voerr::Status status;
  EXPECT_EQ(translate(report, 1 | 2 | 8, status),
            "static -5\n\nKey: v\n\n   static -6\n   \n   Key: v");
  EXPECT_EQ(status.code, 0) << status.reportText();
}

}  // namespace
