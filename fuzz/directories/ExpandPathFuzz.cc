// Expands arbitrary paths; the text up to the first zero byte becomes
// TMPDIR, so values that hold references (themselves included) are covered.
// The expansion must end, and succeed exactly when every '$' has a '/' after
// it in the text being expanded.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "directories/StandardDirectories.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* text = reinterpret_cast<const char*>(data);
  const void* zero = std::memchr(text, '\0', size);
  std::string path(text, size);
  if (zero) {
    const size_t split = static_cast<size_t>(static_cast<const char*>(zero) - text);
    setenv("TMPDIR", std::string(text, split).c_str(), 1);
    path = std::string(text + split + 1, size - split - 1);
  } else {
    unsetenv("TMPDIR");
  }
  voerr::Status status;
  const vohtl::BasicString expanded = vosysq::expandPath(path, status);
  if (status.isError() && !expanded.empty()) std::abort();
  if (!status.isError() && expanded.view().find('$') != std::string_view::npos &&
      path.find('$') == std::string::npos) {
    std::abort();
  }
  return 0;
}
