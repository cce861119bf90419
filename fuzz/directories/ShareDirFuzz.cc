// Arbitrary share.dir contents, read whole and trimmed as the shared
// directory is: the result is a piece of the input with no white space,
// zero byte or '/' at its end and no white space at its start.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string.h>

#include "../MemoryFile.h"
#include "directories/StandardDirectories.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzzing::MemoryFile file("share_dir", data, size);
  if (!file.ok()) return 0;
  const char* path = file.path();
  const size_t written = file.written();
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
  return 0;
}
