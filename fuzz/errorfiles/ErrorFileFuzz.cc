// Reads arbitrary bytes as an error-description file, for the codes its
// first block would name and a fixed one; the reader must stay linear,
// never read past the file and never leave text behind on an error.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "errorfiles/ErrorFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("error_file", 0);
  if (fd < 0) return 0;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = write(fd, data + written, size - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
  for (int32_t code : {0, 1, -1, -52006}) {
    voerr::Status status;
    vohtl::BasicString text;
    voxlator::readErrorFile(path, code, text, status);
    if (status.isError() && !text.empty()) std::abort();
  }
  close(fd);
  return 0;
}
