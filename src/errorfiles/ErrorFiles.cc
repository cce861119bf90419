// Reading error-description files, scanning directories of them.
#include "errorfiles/ErrorFiles.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "errorfiles/Languages.h"
#include "status/Raise.h"
#include "status/ReportObject.h"

namespace voxlator {

namespace {

constexpr size_t kLineBuffer = 1024;
constexpr size_t kLongestPath = 4095;
constexpr size_t kLongestName = 255;

// fgets into a 1024-byte buffer, but keeping the length, so that bytes after
// an embedded zero byte stay part of the line.
class LineReader {
 public:
  explicit LineReader(FILE* file) : file_(file) {}

  // The next line (at most 1023 bytes, ending after its line feed when it
  // has one), or false at the end of the file.
  bool next(std::string_view& line) {
    size_t length = 0;
    while (length < kLineBuffer - 1) {
      if (position_ == end_ && !refill()) break;
      const size_t wanted = std::min(kLineBuffer - 1 - length, end_ - position_);
      const char* start = block_ + position_;
      const void* feed = std::memchr(start, '\n', wanted);
      const size_t count =
          feed ? static_cast<size_t>(static_cast<const char*>(feed) - start) + 1 : wanted;
      std::memcpy(line_ + length, start, count);
      length += count;
      position_ += count;
      if (feed) break;
    }
    line_[length] = '\0';
    line = std::string_view(line_, length);
    return length > 0;
  }

 private:
  bool refill() {
    position_ = 0;
    end_ = std::fread(block_, 1, sizeof block_, file_);
    return end_ > 0;
  }

  FILE* file_;
  char block_[16384];
  size_t position_ = 0;
  size_t end_ = 0;
  char line_[kLineBuffer];
};

bool startsWith(std::string_view line, std::string_view tag) {
  return line.size() >= tag.size() && strncasecmp(line.data(), tag.data(), tag.size()) == 0;
}

constexpr std::string_view kHeader = "<?xml version=\"1.0\"";
constexpr std::string_view kDocumentStart = "<vodocument>";
constexpr std::string_view kDocumentEnd = "</vodocument>";
constexpr std::string_view kBlockStart = "<voerror code=\"";
constexpr std::string_view kBlockEnd = "</voerror>";
constexpr std::string_view kCommentStart = "<vocomment>";
constexpr std::string_view kCommentEnd = "</vocomment>";

void raiseNotFound(voerr::Status& status, const char* debug, const char* path) {
  if (status.raise(voerr::codes::kResourceNotFound.code,
                   TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
    voerr::ReportObject report(status, "voxlator_debug");
    report.add("debug", debug);
    if (path) report.add("path", path);
  }
}

// The code after the block tag, read as "%i" reads it. Returns the
// conversion count: 1, 0 when no number starts there, -1 at the end.
int parseCode(const char* text, int32_t& code) {
  while (*text && std::isspace(static_cast<unsigned char>(*text))) ++text;
  if (!*text) return -1;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 0);
  if (end == text) return 0;
  code = static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
  return 1;
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
struct DirectoryCloser {
  void operator()(DIR* directory) const { closedir(directory); }
};

void raiseDirectoryFailure(voerr::Status& status, int errorNumber, const char* key,
                           const char* debug, const char* directory) {
  if (status.raise(voerr::codes::kResourceNotFound.code,
                   TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
    voerr::addErrnoReport(status, errorNumber);
    voerr::ReportObject(status, "voxlator_debug").add(key, debug).add("path", directory);
  }
}

bool isDescriptionFile(const char* name) {
  const char* dot = std::strrchr(name, '.');
  const char* extension = dot ? dot + 1 : "";
  return std::strcmp(extension, "txt") == 0 || std::strcmp(extension, "err") == 0;
}

}  // namespace

void readErrorFile(const char* path, int32_t code, vohtl::BasicString& description,
                   voerr::Status& status) {
  description.clear();
  if (status.isError()) return;
  std::unique_ptr<FILE, FileCloser> file(path ? std::fopen(path, "r") : nullptr);
  if (!file) {
    raiseNotFound(status, "Could not open status explanations file", path ? path : "");
    return;
  }
  auto reader = std::make_unique<LineReader>(file.get());
  std::string_view line;
  if (!reader->next(line) || !startsWith(line, kHeader)) return;
  if (!reader->next(line) || !startsWith(line, kDocumentStart)) return;

  while (reader->next(line)) {
    if (startsWith(line, kDocumentEnd)) break;
    if (startsWith(line, kBlockStart)) {
      int32_t blockCode = 0;
      const int converted = parseCode(line.data() + kBlockStart.size(), blockCode);
      if (converted != 1) {
        if (status.raise(voerr::codes::kResourceNotFound.code,
                         TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
          voerr::ReportObject(status, "voxlator_debug")
              .add("debug", "Could not successfully read the status data!")
              .add("sscanf", static_cast<int32_t>(converted));
        }
        break;
      }
      const bool wanted = blockCode == code;
      bool closed = false;
      while (reader->next(line)) {
        if (startsWith(line, kBlockEnd)) {
          closed = true;
          break;
        }
        if (wanted && !description.append(line, status)) break;
      }
      if (status.isError()) break;
      if (!closed) {
        raiseNotFound(status,
                      "Bad explanation file. Could not find the end of the status code "
                      "definition !",
                      nullptr);
        break;
      }
      if (wanted) {
        description.trimEnd("\r\n");
        break;
      }
    } else if (startsWith(line, kCommentStart)) {
      while (reader->next(line) && !startsWith(line, kCommentEnd)) {
      }
    } else if (line[0] == '\0') {
      raiseNotFound(status, "Bad explanation file. Unidentified section heading !", nullptr);
      break;
    }
  }
  if (status.isError()) description.clear();
}

void scanErrorDirectory(const char* directory, int32_t code, vohtl::BasicString& description,
                        voerr::Status& status) {
  description.clear();
  if (status.isError()) return;
  const char* shown = directory ? directory : "";
  const size_t length = std::strlen(shown);
  if (length == 0 || length > kLongestPath) {
    raiseDirectoryFailure(status, length == 0 ? EINVAL : ENAMETOOLONG, "debug", "open dir failed",
                          shown);
    return;
  }
  std::unique_ptr<DIR, DirectoryCloser> listing(opendir(directory));
  if (!listing) {
    // Whatever the system's reason, a directory that cannot be opened is
    // reported as missing.
    raiseDirectoryFailure(status, ENOENT, "debug", "open dir failed", shown);
    return;
  }
  char path[kLongestPath + 1];
  while (const dirent* entry = readdir(listing.get())) {
    const size_t nameLength = std::strlen(entry->d_name);
    struct stat info;
    int failure = 0;
    if (nameLength > kLongestName || length + 1 + nameLength > kLongestPath) {
      failure = ENAMETOOLONG;
    } else {
      std::memcpy(path, directory, length);
      path[length] = '/';
      std::memcpy(path + length + 1, entry->d_name, nameLength + 1);
      if (stat(path, &info) != 0) failure = errno;
    }
    if (failure) {
      raiseDirectoryFailure(status, failure, "voxlator", "get file info failed", shown);
      return;
    }
    if (!S_ISREG(info.st_mode) || !isDescriptionFile(entry->d_name)) continue;
    readErrorFile(path, code, description, status);
    if (status.isError() || !description.empty()) return;
  }
}

void searchErrorsDirectory(const char* errorsDirectory, int32_t code, uint32_t language,
                           vohtl::BasicString& description, voerr::Status& status) {
  description.clear();
  if (status.isError()) return;
  const char* name = languageDirectoryName(language, status);
  vohtl::BasicString languageDirectory;
  if (!languageDirectory.assign(errorsDirectory ? errorsDirectory : "", status) ||
      !languageDirectory.append('/', status) || !languageDirectory.append(name, status)) {
    return;
  }
  scanErrorDirectory(languageDirectory.c_str(), code, description, status);
  if (!status.isError() && description.empty()) {
    scanErrorDirectory(errorsDirectory, code, description, status);
  }
}

const char* languageDirectoryName(uint32_t language, voerr::Status& status) {
  if (const char* name = languageDirectory(language)) return name;
  if (status.raise(voerr::codes::kInvalidParameter.code,
                   TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
    voerr::ReportObject(status, "voxlator_debug")
        .add("ymerrorsparser", "invalid language")
        .add("lang", static_cast<int32_t>(language));
  }
  return "";
}

}  // namespace voxlator
