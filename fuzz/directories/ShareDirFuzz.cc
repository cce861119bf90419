// Arbitrary share.dir contents, read whole and trimmed as the shared
// directory is: the result is a piece of the input with no white space,
// zero byte or '/' at its end and no white space at its start.
#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string.h>

#include "directories/StandardDirectories.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("share_dir", 0);
  if (fd < 0) return 0;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  voerr::Status status;
  vohtl::BasicString content;
  vosysq::readWholeFile(path, content, status);
  if (status.isError() || content.length() != written + 1) std::abort();
  vosysq::trimSharedDirectory(content);
  const std::string_view trimmed = content.view();
  if (!trimmed.empty()) {
    const unsigned char last = static_cast<unsigned char>(trimmed.back());
    const unsigned char first = static_cast<unsigned char>(trimmed.front());
    if (std::isspace(last) || last == 0 || last == '/' || std::isspace(first)) std::abort();
    if (!::memmem(data, size, trimmed.data(), trimmed.size())) std::abort();
  }
  close(fd);
  return 0;
}
