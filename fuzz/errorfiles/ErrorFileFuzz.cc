// Reads arbitrary bytes as an error-description file, for the codes its
// first block would name and a fixed one; the reader must stay linear,
// never read past the file and never leave text behind on an error.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "../MemoryFile.h"
#include "errorfiles/ErrorFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzzing::MemoryFile file("error_file", data, size);
  if (!file.ok()) return 0;
  const char* path = file.path();
  for (int32_t code : {0, 1, -1, -52006}) {
    voerr::Status status;
    vohtl::BasicString text;
    voxlator::readErrorFile(path, code, text, status);
    if (status.isError() && !text.empty()) std::abort();
  }
  return 0;
}
