// The "json1" formatter against a session whose descriptions the test sets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/BasicString.h"
#include "translator/Json1Formatter.h"

namespace {

using ::testing::HasSubstr;
namespace json1 = voxlator::json1;

char* copy(const std::string& text, XlatorAllocFn alloc, void* data, voerr::Status& status) {
  char* out = static_cast<char*>(alloc(nullptr, text.size() + 1, data, &status));
  if (out) std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

class FakeSession : public voxlator::SessionInterface {
 public:
  std::string staticText = "Static.";
  std::string dynamicJson;
  int staticCalls = 0;
  int dynamicCalls = 0;
  std::string lastTranslator;

  Xlator* getTranslator(std::string_view, voerr::Status&) override { return nullptr; }
  char* getStaticDesc(int32_t, std::string_view translator, uint32_t, XlatorAllocFn alloc,
                      void* data, voerr::Status& status) override {
    ++staticCalls;
    lastTranslator = std::string(translator);
    return copy(staticText, alloc, data, status);
  }
  char* getDynamicDesc(const char*, uint32_t, const char*, XlatorAllocFn alloc, void* data,
                       voerr::Status& status) override {
    ++dynamicCalls;
    return copy(dynamicJson, alloc, data, status);
  }
};

struct Rendered {
  std::string text;
  int32_t code;
  std::string report;
};

Rendered render(FakeSession& session, const char* reportJson, uint32_t flags, int32_t code = -1) {
  voerr::Status report;
  report.setCode(code);
  if (reportJson) report.assignReport(reportJson);
  vohtl::BasicString output;
  voerr::Status status;
  json1::translateErrStatusToRawText(session, report, 0, flags, output, status);
  return {std::string(output.view()), status.code, status.reportText()};
}

constexpr const char* kNamed = R"({"translator":"mxlator_tovik"})";

TEST(Json1, RendersStaticDynamicAndDebugSections) {
  FakeSession session;
  session.dynamicJson =
      R"({"dynamic":[{"type":"usage","key":"Channel Name","value":["0","1"]},)"
      R"({"type":"elaboration","value":"Elaborated."},{"type":"header","value":"Head"},)"
      R"({"type":"empty"}],"debug":[{"type":"usage","key":"File","value":"Here.cc"}]})";
  EXPECT_EQ(render(session, kNamed, 1 | 2 | 4).text,
            "Static.\n\nChannel Name: 0, 1Elaborated.\nHead\n\n\nFile: Here.cc");
}

TEST(Json1, AnEmptyListRendersNothing) {
  FakeSession session;
  session.dynamicJson = R"({"dynamic":{},"debug":{}})";
  const Rendered rendered = render(session, kNamed, 1 | 2 | 4);
  EXPECT_EQ(rendered.text, "Static.");
  EXPECT_EQ(rendered.code, 0);
}

TEST(Json1, AReportWithoutTranslatorAsksOnlyTheDefaultStaticText) {
  FakeSession session;
  session.dynamicJson = R"({"dynamic":[{"type":"usage","key":"K","value":"v"}]})";
  for (const char* report : {"{}", static_cast<const char*>(nullptr), R"({"translator":""})"}) {
    EXPECT_EQ(render(session, report, 1 | 2 | 4 | 8).text, "Static.");
    EXPECT_EQ(session.lastTranslator, "voxlator_default");
  }
  EXPECT_EQ(session.dynamicCalls, 0);
}

TEST(Json1, ACodeOfZeroRendersNothing) {
  FakeSession session;
  EXPECT_EQ(render(session, kNamed, 1 | 2, 0).text, "");
  EXPECT_EQ(session.staticCalls, 0);
}

constexpr json1::FormatEntry kDefaultOnly[] = {
    {nullptr, {"\n", nullptr, nullptr, ": ", nullptr, nullptr, nullptr, nullptr, ", "}}};

TEST(Json1, RejectsMalformedItemsAndDropsTheirList) {
  struct Case {
    const char* dynamic;
    const char* debug;
  };
  const Case cases[] = {
      {R"([{"type":"usage","key":"K","value":3}])",
       R"("formatDynamicReportItems":"json1 dynamic object invalid. value can only be string","value type":3)"},
      {R"([{"type":"usage","key":"K","value":["a",true]}])", R"("value type":2)"},
      {R"(["text"])", R"(each array item must be an object","json1DynamicObjectBegin":"[\"text\"]")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dynamic);
    voerr::Status status;
    vohtl::BasicString output;
    output.assign("kept", status);
    json1::formatDynamicReportItems(kDefaultOnly, c.dynamic, output, status);
    EXPECT_EQ(output.view(), "kept");
    EXPECT_EQ(status.code, -52005);
    EXPECT_THAT(status.reportText(), HasSubstr(c.debug));
  }
}

TEST(Json1, NestedErrorsAreIndentedPerLevel) {
  FakeSession session;
  session.staticText = "Line one.\nLine two.";
  const Rendered rendered = render(
      session, R"({"nested_error":{"code":-2,"nested_error":[{"code":-3}]}})", 1 | 8);
  EXPECT_EQ(rendered.text,
            "Line one.\nLine two.\n\n   Line one.\n   Line two.\n\n      Line one.\n      Line two.");
  EXPECT_EQ(rendered.code, 0);
}

TEST(Json1, RejectsNestedErrorsOfTheWrongType) {
  FakeSession session;
  const Rendered number = render(session, R"({"nested_error":5})", 1 | 8);
  EXPECT_EQ(number.code, -52005);
  EXPECT_THAT(number.report, HasSubstr(R"("nested_error contains invalid json type","json":)"));
  EXPECT_THAT(number.report, HasSubstr(R"("jsonz_type":3)"));
  const Rendered element = render(session, R"({"nested_error":[{"code":1},"x"]})", 1 | 8);
  EXPECT_THAT(element.report, HasSubstr(R"(on one of the element","json":)"));
  EXPECT_THAT(element.report, HasSubstr(R"("invalid json_type":4)"));
  // Without the nesting flag the member is not looked at.
  EXPECT_EQ(render(session, R"({"nested_error":5})", 1).code, 0);
}

}  // namespace
