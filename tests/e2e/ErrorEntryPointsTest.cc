// The error-reporting entry points for handle 0, through the exported
// functions only: the pending error of the calling thread, the size
// protocols, null buffers, and the descriptions from the shipped error files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "status/StatusCodeCatalogue.h"
#include "tovik/tovik_internal.h"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
constexpr ViStatus kNullPointer = static_cast<ViStatus>(0xBFFA0058u);

std::string english(ViStatus code) {
  for (const voerr::StatusCodeRecord& record : voerr::kStatusCodeCatalogue) {
    if (record.code == code) return record.description[0];
  }
  return "<no description of " + std::to_string(code) + ">";
}

// Reads and clears the calling thread's pending error.
std::string takePendingError(ViStatus* code = nullptr) {
  ViStatus pending = 0;
  const ViStatus size = tovik_GetError(0, &pending, 0, nullptr);
  if (size <= 0) return "";
  std::string text(static_cast<size_t>(size), '\xAA');
  EXPECT_EQ(tovik_GetError(0, &pending, size, &text[0]), 0);
  text.resize(std::strlen(text.c_str()));
  if (code) *code = pending;
  return text;
}

class ErrorEntryPoints : public ::testing::Test {
 protected:
  void SetUp() override { takePendingError(); }
};

TEST_F(ErrorEntryPoints, GetErrorAsksTheSizeThenFillsAndClears) {
  ASSERT_EQ(tovik_reset(0), kInvalidSessionHandle);
  ViStatus code = 0;
  const ViStatus size = tovik_GetError(0, &code, 0, nullptr);
  ASSERT_GT(size, 1);
  EXPECT_EQ(tovik_GetError(0, &code, 0, nullptr), size);  // still pending

  std::string text(static_cast<size_t>(size) + 8, '\xAA');
  EXPECT_EQ(tovik_GetError(0, &code, size, &text[0]), 0);
  EXPECT_EQ(code, kInvalidSessionHandle);
  EXPECT_EQ(std::strlen(text.c_str()), static_cast<size_t>(size - 1));
  EXPECT_EQ(text[static_cast<size_t>(size)], '\xAA');
  // The static description; a report without items adds nothing to it.
  EXPECT_EQ(text.c_str(), english(kInvalidSessionHandle));

  EXPECT_EQ(tovik_GetError(0, &code, 0, nullptr), 0);  // cleared
}

TEST_F(ErrorEntryPoints, GetErrorCutsToTheCallersSize) {
  ASSERT_EQ(tovik_reset(0), kInvalidSessionHandle);
  char text[16];
  std::memset(text, '\xAA', sizeof text);
  ViStatus code = 0;
  EXPECT_EQ(YM_tovik_GetError(0, &code, 10, text), 0);
  EXPECT_EQ(std::string(text), english(kInvalidSessionHandle).substr(0, 9));
  EXPECT_EQ(text[10], '\xAA');
  EXPECT_EQ(code, kInvalidSessionHandle);
  EXPECT_EQ(tovik_GetError(0, &code, 0, nullptr), 0);
}

TEST_F(ErrorEntryPoints, NullOutputsAreRefused) {
  char text[64];
  ViStatus code = 0;
  EXPECT_EQ(tovik_GetError(0, &code, sizeof text, nullptr), kNullPointer);
  EXPECT_EQ(tovik_GetError(0, nullptr, sizeof text, text), kNullPointer);
  EXPECT_EQ(tovik_error_message(0, kInvalidSessionHandle, nullptr), kNullPointer);
  EXPECT_EQ(tovik_ErrorHandler(0, kInvalidSessionHandle, nullptr), kNullPointer);
  ViStatus pending = 0;
  const std::string description = takePendingError(&pending);
  EXPECT_EQ(pending, kNullPointer);
  // A comment item is not shown to the user.
  EXPECT_EQ(description, english(kNullPointer));

  EXPECT_EQ(YM_tovik_GetErrorMessage(0, kInvalidSessionHandle, 5, nullptr), kNullPointer);
  EXPECT_EQ(takePendingError(), english(kNullPointer) + "\n\nParameter Name: errorMessage");
}

TEST_F(ErrorEntryPoints, ErrorMessageDescribesACode) {
  char message[256];
  std::memset(message, '\xAA', sizeof message);
  EXPECT_EQ(tovik_error_message(0, 0, message), 0);
  EXPECT_EQ(message[0], '\xAA');  // code 0: untouched

  EXPECT_EQ(tovik_error_message(0, -52006, message), 0);
  EXPECT_EQ(std::string(message), english(-52006).substr(0, 255));

  std::memset(message, '\xAA', sizeof message);
  EXPECT_EQ(tovik_ErrorHandler(0, 0, message), 0);
  EXPECT_EQ(message[255], '\0');
  EXPECT_EQ(tovik_ErrorHandler(0, kInvalidSessionHandle, message), 0);
  EXPECT_EQ(std::string(message), english(kInvalidSessionHandle).substr(0, 255));
  EXPECT_EQ(message[255], '\0');
}

TEST_F(ErrorEntryPoints, YmGetErrorMessageHasItsOwnSizeProtocol) {
  const std::string full = english(kInvalidSessionHandle);
  const ViStatus needed = static_cast<ViStatus>(full.size() + 1);
  EXPECT_EQ(YM_tovik_GetErrorMessage(0, kInvalidSessionHandle, 0, nullptr), needed);

  char text[512];
  std::memset(text, '\xAA', sizeof text);
  EXPECT_EQ(YM_tovik_GetErrorMessage(0, kInvalidSessionHandle, 5, text), 0);
  EXPECT_EQ(std::string(text), full.substr(0, 4));
  EXPECT_EQ(text[5], '\xAA');

  std::memset(text, '\xAA', sizeof text);
  EXPECT_EQ(YM_tovik_GetErrorMessage(0, kInvalidSessionHandle, -1, text), 0);
  EXPECT_EQ(std::string(text), full);
  EXPECT_EQ(text[needed], '\xAA');
}

TEST_F(ErrorEntryPoints, HandleZeroIsNoSessionForThePlainFrames) {
  char message[256] = "";
  ViInt32 code = 0;
  EXPECT_EQ(tovik_ClearErrorInfo(0), kInvalidSessionHandle);
  EXPECT_EQ(tovik_error_query(0, &code, message), kInvalidSessionHandle);
  ViStatus pending = 0;
  takePendingError(&pending);
  EXPECT_EQ(pending, kInvalidSessionHandle);
}

TEST_F(ErrorEntryPoints, APluginThatCannotBeLoadedIsNamedWithTheLoadersMessage) {
  // No plugin library is on this program's path.
  ViSession vi = 0;
  const ViStatus status =
      tovik_InitWithOptions("", VI_FALSE, VI_TRUE, "Simulate=1,DriverSetup=Model:GE", &vi);
  EXPECT_EQ(status, -52005);
  ViStatus pending = 0;
  const std::string description = takePendingError(&pending);
  EXPECT_EQ(pending, -52005);
  EXPECT_THAT(description, StartsWith(english(-52005)));
  EXPECT_THAT(description, HasSubstr(R"("path":"libtovikpal.so")"));
  EXPECT_THAT(description, HasSubstr("cannot open shared object file"));
}

TEST(ErrorEntryPointsThreads, EachThreadReadsItsOwnPendingError) {
  std::atomic<int> mismatches{0};
  auto worker = [&](bool nullBuffer) {
    for (int i = 0; i < 200; ++i) {
      const ViStatus expected = nullBuffer ? tovik_error_message(0, -52006, nullptr)
                                           : tovik_reset(0);
      ViStatus pending = 0;
      const std::string text = takePendingError(&pending);
      if (pending != expected || text.rfind(english(expected), 0) != 0) ++mismatches;
    }
  };
  std::thread first(worker, false);
  std::thread second(worker, true);
  first.join();
  second.join();
  EXPECT_EQ(mismatches.load(), 0);
}

}  // namespace
