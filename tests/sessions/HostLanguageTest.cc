// This program plays a host that names its language, as the graphical
// environment does when it loads the driver.
#include <gtest/gtest.h>

#include <cstring>

#include "ivi/IviWrapper.h"
#include "sessions/LanguageAccessor.h"

extern "C" {

// Length-prefixed strings, as the host keeps them.
void GetLangStr(unsigned char* buffer) {
  static const char kName[] = "Japanese";
  buffer[0] = static_cast<unsigned char>(sizeof kName - 1);
  std::memcpy(buffer + 1, kName, sizeof kName - 1);
}

int32_t PStrCmp(const unsigned char* left, const unsigned char* right) {
  if (left[0] != right[0]) return left[0] < right[0] ? -1 : 1;
  return std::memcmp(left + 1, right + 1, left[0]);
}
}

TEST(HostLanguage, TheHostsLanguageIsTheDefault) {
  EXPECT_EQ(miivi::hostLanguage(), 3);
  EXPECT_EQ(miivi::languageAccessor().getLanguage(miivi::IviWrapper(0)), 3);
}
