#include <gtest/gtest.h>

#include <string>

#include "SessionTestSupport.h"
#include "status/Exception.h"

TEST(SelfPin, ASessionThatCannotPinTheLibraryIsNotRegistered) {
  try {
    dvl::createAndRegister(testing_support::binding(77), 0, 0, nullptr, "Dev", nullptr);
    FAIL() << "the library was found";
  } catch (const voerr::Exception& error) {
    EXPECT_EQ(error.status().code, -52005);
    const std::string report = error.what();
    EXPECT_NE(report.find(R"("vodynlib_debug":{"debug":"failed to vodynlib_load library","path":"libtovik.so"})"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(R"("internal_error":{"api":"dlerror","string":")"), std::string::npos);
  }
  EXPECT_FALSE(miivi::sessionRegistry().find(77));
}
