// A failed open's description through the shipped library, in the session's
// language: the code's description, a blank line, and the report's items
// rendered by the script translator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "status/StatusCodeCatalogue.h"
#include "tovik/tovik_internal.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr ViStatus kInvalidDriverSetup = static_cast<ViStatus>(0xBFFA8CF0u);
constexpr ViStatus kBadOptionValue = static_cast<ViStatus>(0xBFFA004Cu);

std::string description(ViStatus code, int language) {
  for (const voerr::StatusCodeRecord& record : voerr::kStatusCodeCatalogue) {
    if (record.code == code) return record.description[language];
  }
  return "<no description of " + std::to_string(code) + ">";
}

// The calling thread's pending error, read as a program would: the size,
// then the text.
std::string pendingError(ViStatus* code) {
  const ViStatus size = tovik_GetError(0, code, 0, nullptr);
  if (size <= 0) return "";
  std::string text(static_cast<size_t>(size), '\0');
  EXPECT_EQ(tovik_GetError(0, code, size, &text[0]), 0);
  text.resize(std::strlen(text.c_str()));
  return text;
}

// The most recent open sets the language of errors that belong to no
// session, such as a failed open's.
void useLanguage(const char* language) {
  ViSession vi = 0;
  const std::string options = std::string("Simulate=1,DriverSetup=Model:GE;Language:") + language;
  ASSERT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, options.c_str(), &vi), 0);
  ASSERT_EQ(tovik_close(vi), 0);
}

TEST(ErrorDescriptions, ARepeatedDriverSetupTagInEachLanguage) {
  struct Case {
    const char* language;
    int index;
    const char* repeatedTag;
  };
  const Case cases[] = {
      {"en", 0, "Repeated DriverSetup tag."},
      {"fr", 1, "Balise DriverSetup répétée."},
      {"de", 2, "Wiederholter DriverSetup-Tag."},
      {"jp", 3, "DriverSetup タグが重複しています。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    useLanguage(c.language);
    ViSession vi = 0;
    ASSERT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE,
                                    "Simulate=1,DriverSetup=Model:GE;BoardType:PXIe;Model:GE", &vi),
              kInvalidDriverSetup);
    ViStatus code = 0;
    EXPECT_EQ(pendingError(&code),
              description(kInvalidDriverSetup, c.index) + "\n\n" + c.repeatedTag + ": Model");
    EXPECT_EQ(code, kInvalidDriverSetup);
  }
}

TEST(ErrorDescriptions, AnUnknownModelListsThePossibleValues) {
  useLanguage("en");
  ViSession vi = 0;
  ASSERT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, "Simulate=1,DriverSetup=Model:XY", &vi),
            kBadOptionValue);
  ViStatus code = 0;
  const std::string text = pendingError(&code);
  EXPECT_THAT(text, StartsWith(description(kBadOptionValue, 0) + "\n\nPossible Values: "));
  EXPECT_THAT(text, HasSubstr(", GE, "));
  EXPECT_EQ(text.find('{'), std::string::npos) << "no report JSON in " << text;
}

}  // namespace
