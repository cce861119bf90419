// Runs with a library path on which the logger appears only after the first
// attempt to load it: the linker must stay silent and never try again.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "LoggerMapped.h"
#include "trace/IOTraceLinker.h"

namespace {

namespace fs = std::filesystem;

void expectSilent() {
  EXPECT_FALSE(iotracetools::traceLinker().isEnabled());
  EXPECT_EQ(iotracetools::SnooprModeLocation(), &iotracetools::gTraceOffFlag);
  EXPECT_EQ(iotracetools::gTraceOffFlag, 0);
  void* cookie = iotracetools::SnooprGetCookie(21, 23, 1, "tovik_reset");
  EXPECT_EQ(cookie, nullptr);
  const int32_t status = 0;
  iotracetools::SnooprSetParamElementSize_generic(cookie, 0, &status, 4, 4, "vi", 35);
  iotracetools::SnooprEndParams(cookie, 1);
  iotracetools::SnooprSetReturnElementSize_generic(cookie, 0, &status, 4, 4, "x", 3);
  iotracetools::SnooprSetFuncReturnElementSize_generic(cookie, 1, &status, 4, 4, nullptr, 23, 1);
  iotracetools::SnooprEndReturns(&cookie, 2);
  iotracetools::SnooprFreeCookie(cookie);
  EXPECT_FALSE(loggerMapped());
}

TEST(TraceWithoutLogger, StaysSilentAndLoadsOnlyOnce) {
  const fs::path directory = LATE_LOGGER_DIR;
  fs::create_directories(directory);
  fs::remove(directory / "libSnooprLog.so");

  expectSilent();

  fs::copy_file(LOGGER_FILE, directory / "libSnooprLog.so");
  expectSilent();

  // The logger is loadable now, so the silence above means no second try.
  void* handle = dlopen("libSnooprLog.so", RTLD_NOW);
  EXPECT_NE(handle, nullptr) << dlerror();
  EXPECT_EQ(iotracetools::SnooprGetCookie(21, 23, 1, "tovik_reset"), nullptr);
  fs::remove(directory / "libSnooprLog.so");
}

}  // namespace
