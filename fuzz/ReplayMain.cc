// Feeds every file of the given corpus directories (or files) to the fuzz
// target once, so the normal and sanitizer builds replay the corpus.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replayFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, so reading past it is caught.
  std::vector<uint8_t> input(bytes.begin(), bytes.end());
  LLVMFuzzerTestOneInput(input.data(), input.size());
  return 1;
}

int replay(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return -1;
  }
  if (!S_ISDIR(info.st_mode)) return replayFile(path);
  int count = 0;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return -1;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    int n = replay(path + "/" + name);
    if (n < 0) count = -1;
    if (count >= 0) count += n;
  }
  closedir(dir);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  int total = 0;
  for (int i = 1; i < argc; ++i) {
    int n = replay(argv[i]);
    if (n < 0) return 1;
    total += n;
  }
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("replayed %d inputs\n", total);
  return 0;
}
