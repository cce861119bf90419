// The fuzz input as a file the code under test opens by path, without
// touching the disk: an anonymous memory file reached through /proc.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace fuzzing {

class MemoryFile {
 public:
  MemoryFile(const char* name, const uint8_t* data, size_t size) : fd_(memfd_create(name, 0)) {
    if (fd_ < 0) return;
    while (written_ < size) {
      const ssize_t n = write(fd_, data + written_, size - written_);
      if (n <= 0) break;
      written_ += static_cast<size_t>(n);
    }
    std::snprintf(path_, sizeof path_, "/proc/self/fd/%d", fd_);
  }
  ~MemoryFile() {
    if (fd_ >= 0) close(fd_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  bool ok() const { return fd_ >= 0; }
  const char* path() const { return path_; }
  size_t written() const { return written_; }

 private:
  int fd_;
  size_t written_ = 0;
  char path_[64] = {};
};

}  // namespace fuzzing
