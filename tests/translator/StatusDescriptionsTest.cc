// Every status code of the code table (the library's and the engine's) is
// described in English, French, German and Japanese by the error files of the
// build's shared directory, in both directories the translators search.
#include <gtest/gtest.h>

#include <string>

#include "directories/StandardDirectories.h"
#include "errorfiles/ErrorFiles.h"
#include "status/StatusCodeCatalogue.h"
#include "translator/Session.h"

namespace {

TEST(StatusDescriptions, EveryCodeInEveryLanguage) {
  voerr::Status status;
  vohtl::BasicString shared;
  vosysq::sharedDirectory(shared, status);
  const std::string driverDirectory = std::string(shared.view()) + "/mierrors/tovik/";
  voxlator::ScopedSession session(status);
  ASSERT_NE(session.get(), nullptr);
  for (const voerr::StatusCodeRecord& record : voerr::kStatusCodeCatalogue) {
    for (uint32_t language = 0; language < 4; ++language) {
      SCOPED_TRACE(std::string(record.symbol) + " in language " + std::to_string(language));
      voerr::Status lookup;
      char* text = session.get()->getStaticDesc(record.code, "voxlator_default", language,
                                                &voxlator::allocate, nullptr, lookup);
      ASSERT_NE(text, nullptr) << lookup.reportText();
      EXPECT_EQ(std::string(text), record.description[language]);
      voxlator::allocate(text, 0, nullptr, nullptr);

      vohtl::BasicString driverText;
      const std::string directory =
          driverDirectory + voxlator::languageDirectoryName(language, lookup);
      voxlator::scanErrorDirectory(directory.c_str(), record.code, driverText, lookup);
      EXPECT_EQ(driverText.view(), record.description[language]) << lookup.reportText();
      if (language > 0) {
        EXPECT_NE(std::string(record.description[language]), record.description[0]);
      }
    }
  }
}

}  // namespace
