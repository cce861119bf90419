// The error accessor: which codes of a pending error are described, in
// which order, and what is cleared.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "ivi/IviWrapper.h"
#include "ivi_engine.h"
#include "status/StatusCodeCatalogue.h"
#include "translation/ErrorAccessor.h"

namespace {

std::string english(ViStatus code) {
  for (const voerr::StatusCodeRecord& record : voerr::kStatusCodeCatalogue) {
    if (record.code == code) return record.description[0];
  }
  return "";
}

class ErrorAccessor : public ::testing::Test {
 protected:
  void SetUp() override { Ivi_ClearErrorInfo(0); }
  void TearDown() override { Ivi_ClearErrorInfo(0); }

  std::string peek(bool skipParameterCodes) {
    char text[4096] = "";
    ViStatus code = 0;
    EXPECT_EQ(accessor_.peekError(0, thread_, skipParameterCodes, &code, sizeof text, text,
                                  miivi::kTranslateDefault),
              0);
    return text;
  }

  const miivi::MxlWrapper translator_;
  miivi::ErrorAccessor accessor_{translator_};
  miivi::IviWrapper thread_{0};
};

TEST_F(ErrorAccessor, DescribesPrimarySecondaryAndElaborationInOrder) {
  Ivi_SetErrorInfo(0, VI_FALSE, IVI_ERROR_INVALID_SESSION_HANDLE, -52006, "Elaborated.");
  EXPECT_EQ(peek(true), english(IVI_ERROR_INVALID_SESSION_HANDLE) + "\n\n" + english(-52006) +
                            "\n\nElaborated.");
}

TEST_F(ErrorAccessor, SkipsASecondaryCodeThatOnlyNamesTheParameter) {
  Ivi_SetErrorInfo(0, VI_FALSE, IVI_ERROR_INVALID_VALUE, VI_ERROR_PARAMETER3, "Elaborated.");
  EXPECT_EQ(peek(true), english(IVI_ERROR_INVALID_VALUE) + "\n\nElaborated.");
  EXPECT_EQ(peek(false), english(IVI_ERROR_INVALID_VALUE) + "\n\n" +
                             english(VI_ERROR_PARAMETER3) + "\n\nElaborated.");
}

TEST_F(ErrorAccessor, TheSizeQueryClearsNothing) {
  ViStatus code = 0;
  EXPECT_EQ(accessor_.getError(0, thread_, true, &code, 0, nullptr, 0), 0);  // nothing pending
  Ivi_SetErrorInfo(0, VI_FALSE, -52006, 0, nullptr);
  const int32_t size = accessor_.getError(0, thread_, true, &code, 0, nullptr, 0);
  EXPECT_EQ(size, static_cast<int32_t>(english(-52006).size() + 1));
  EXPECT_EQ(accessor_.getError(0, thread_, true, &code, 0, nullptr, 0), size);
  EXPECT_EQ(code, -52006);
}

TEST_F(ErrorAccessor, ASizeQueryNeverReportsMoreThanItsScratchBuffer) {
  Ivi_SetErrorInfo(0, VI_FALSE, -52006, -52005, std::string(1023, 'e').c_str());
  ViStatus code = 0;
  const int32_t size = accessor_.getError(0, thread_, true, &code, 0, nullptr, 0);
  EXPECT_LE(size, 4096);
  EXPECT_GT(size, 1023);
}

}  // namespace
