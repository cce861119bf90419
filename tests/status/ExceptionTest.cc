#include "status/Exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "status/Raise.h"
#include "status/StatusCodes.h"

namespace {

TEST(Exception, WhatIsTheJsonReportOfAFreshRaise) {
  const int line = __LINE__ + 2;
  try {
    TOVIK_RAISE(voerr::codes::kInvalidSessionHandle).throwIt();
  } catch (const std::exception& error) {
    EXPECT_EQ(std::string(error.what()),
              std::string(R"({"error_constant":"ivierrors::ERR_INVALID_SESSION_HANDLE","file":")") +
                  TOVIK_SOURCE_NAME + R"(","line":)" + std::to_string(line) +
                  R"(,"component":"tovik","translator":"mxlator_tovik",)"
                  R"("translator_info":{"is_debug":"0","version":1,"ordered_data":[]}})");
    const auto* base = dynamic_cast<const voerr::ExceptionBase*>(&error);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->status().code, -1074130544);
    return;
  }
  FAIL() << "nothing thrown";
}

TEST(Exception, CopyingMovesTheBuffer) {
  voerr::Status status;
  status.raise(-1, voerr::RaiseSite{"f", 1, "tovik", "c"});
  char* buffer = status.report;
  voerr::Exception original(status);
  EXPECT_EQ(original.status().report, buffer);
  voerr::Exception copy(original);
  EXPECT_EQ(copy.status().report, buffer);
  EXPECT_STREQ(original.what(), "");
}

void translate(const std::function<void()>& thrower, int32_t startCode, voerr::Status& status) {
  if (startCode) status.raise(startCode, voerr::RaiseSite{"start", 1, "tovik", "start"});
  try {
    thrower();
  } catch (...) {
    voerr::translateCurrentException(status);
  }
}

TEST(TranslateCurrentException, MapsForeignExceptions) {
  struct Case {
    const char* name;
    std::function<void()> thrower;
    int32_t startCode;
    int32_t expectedCode;
    const char* expectedMember;
  };
  const Case cases[] = {
      {"bad_alloc over a warning", [] { throw std::bad_alloc(); }, 5, -1074134954,
       R"("error_constant":"Errors::outOfMemoryError")"},
      {"bad_alloc over an error", [] { throw std::bad_alloc(); }, -3, -3,
       R"("error_constant":"start")"},
      {"runtime_error", [] { throw std::runtime_error("boom"); }, 0, -1074135040,
       R"("std_exception_what":"boom")"},
      {"library error", [] { TOVIK_RAISE(voerr::codes::kFunctionNotSupported).throwIt(); }, 0,
       -1074135023, R"("translator":"mxlator_tovik")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    voerr::Status status;
    translate(c.thrower, c.startCode, status);
    EXPECT_EQ(status.code, c.expectedCode);
    EXPECT_NE(std::string(status.reportText()).find(c.expectedMember), std::string::npos)
        << status.reportText();
  }
  voerr::Status withWhat;
  translate([] { throw std::bad_alloc(); }, 0, withWhat);
  EXPECT_NE(std::string(withWhat.reportText()).find(R"("std_exception_what":"std::bad_alloc")"),
            std::string::npos);
  EXPECT_EQ(std::string(withWhat.reportText()).find("translator"), std::string::npos);
}

TEST(TranslateCurrentException, LetsOtherExceptionsPass) {
  voerr::Status status;
  EXPECT_THROW(
      {
        try {
          throw 42;
        } catch (...) {
          voerr::translateCurrentException(status);
        }
      },
      int);
  EXPECT_EQ(status.code, 0);
}

}  // namespace
