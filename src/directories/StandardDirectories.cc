// Directory variables, path expansion, the shared directory and whole-file reads.
#include "directories/StandardDirectories.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "directories/RelocatableDirectories.h"
#include "status/Raise.h"
#include "status/ReportObject.h"

namespace vosysq {

namespace {

using Compute = void (*)(vohtl::BasicString& output, voerr::Status& status);

void multiarchLibraryDirectory(vohtl::BasicString& output, voerr::Status& status) {
  relocatedDirectory("multiarchlibdir", output, status);
}

void commonAppDataDirectory(vohtl::BasicString& output, voerr::Status& status) {
  output.assign("/var/local/velmora", status);
}

// TMPDIR counts when set, even to the empty string.
void temporaryDirectory(vohtl::BasicString& output, voerr::Status& status) {
  const char* value = std::getenv("TMPDIR");
  output.assign(value ? value : "/tmp", status);
}

struct DirectoryVariable {
  std::string_view name;
  Compute compute;
};

constexpr DirectoryVariable kVariables[] = {
    {"_voShared32Dir", &sharedDirectory},
    {"_multiarchlibdir", &multiarchLibraryDirectory},
    {"_voSharedDir", &sharedDirectory},
    {"_commonAppDataDir", &commonAppDataDirectory},
    {"_tempDir", &temporaryDirectory},
};

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

vohtl::BasicString lookupVariable(std::string_view name, voerr::Status& status) {
  vohtl::BasicString value;
  if (status.isError()) return value;
  for (const DirectoryVariable& variable : kVariables) {
    if (variable.name == name) {
      variable.compute(value, status);
      break;
    }
  }
  return value;
}

namespace {

// A variable whose value refers to itself would expand for ever.
constexpr int kMostValueRescans = 64;

void refuseExpansion(voerr::Status& status, const char* why, std::string_view done,
                     std::string_view rest) {
  if (status.raise(voerr::codes::kInvalidParameter.code,
                   TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
    voerr::Status scratch;
    vohtl::BasicString current;
    current.assign(done, scratch);
    current.append(rest, scratch);
    voerr::ReportObject(status, "voxlator_debug").add("voxlatordll", why).add("dllPath",
                                                                              current.view());
  }
}

}  // namespace

vohtl::BasicString expandPath(std::string_view path, voerr::Status& status) {
  // `done` holds the expanded text before the first '$' still to be looked
  // at, `pending` the rest. Replacing the first reference and rescanning
  // from the start, as the expansion is defined, only revisits the value:
  // a value without '$' is final, one with '$' is scanned again.
  vohtl::BasicString done;
  vohtl::BasicString pending;
  if (status.isError() || !pending.assign(path, status)) return done;
  size_t position = 0;
  int rescans = 0;
  for (;;) {
    const std::string_view rest = pending.view().substr(position);
    const size_t dollar = rest.find('$');
    if (dollar == std::string_view::npos) {
      done.append(rest, status);
      break;
    }
    if (!done.append(rest.substr(0, dollar), status)) break;
    const size_t slash = rest.find('/', dollar);
    if (slash == std::string_view::npos) {
      refuseExpansion(status, "plugin dll path invalid", done.view(), rest.substr(dollar));
      break;
    }
    const vohtl::BasicString value =
        lookupVariable(rest.substr(dollar + 1, slash - dollar - 1), status);
    if (status.isError()) break;
    if (value.view().find('$') == std::string_view::npos) {
      if (!done.append(value.view(), status)) break;
      position += slash;
      continue;
    }
    if (++rescans > kMostValueRescans) {
      refuseExpansion(status, "path expansion does not end", done.view(), rest.substr(dollar));
      break;
    }
    vohtl::BasicString next;
    if (!next.assign(value.view(), status) || !next.append(rest.substr(slash), status)) break;
    pending = std::move(next);
    position = 0;
  }
  if (status.isError()) done.clear();
  return done;
}

void trimSharedDirectory(vohtl::BasicString& content) {
  size_t end = content.length();
  const char* bytes = content.c_str();
  while (end > 0) {
    const unsigned char c = static_cast<unsigned char>(bytes[end - 1]);
    if (!std::isspace(c) && c != '\0' && c != '/') break;
    --end;
  }
  size_t start = 0;
  while (start < end && std::isspace(static_cast<unsigned char>(bytes[start]))) ++start;
  voerr::Status ignored;  // shrinking never allocates
  content.erase(end, vohtl::BasicString::npos, ignored);
  content.erase(0, start, ignored);
}

void sharedDirectory(vohtl::BasicString& output, voerr::Status& status) {
  if (status.isError()) return;
  vohtl::BasicString content;
  voerr::Status readStatus;
  readWholeFile(kSharedDirectoryFile, content, readStatus);
  if (readStatus.isError()) {
    output.assign(kDefaultSharedDirectory, status);
    return;
  }
  trimSharedDirectory(content);
  output = std::move(content);
}

void readWholeFile(const char* path, vohtl::BasicString& buffer, voerr::Status& status) {
  if (status.isError()) return;
  std::unique_ptr<FILE, FileCloser> file(path ? std::fopen(path, "rb") : nullptr);
  if (!file) {
    const int error = path ? errno : EINVAL;
    if (status.raise(voerr::codes::kResourceNotFound.code,
                     TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
      voerr::addErrnoReport(status, error);
      voerr::ReportObject(status, "vosysq_debug")
          .add("desc", "error opening file")
          .add("filename", path);
    }
    return;
  }
  long size = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
  std::rewind(file.get());
  if (size < 0) size = 0;  // not seekable: read what a zero size allows
  if (!buffer.resize(static_cast<size_t>(size) + 1, status)) return;
  const size_t read = std::fread(buffer.data(), 1, static_cast<size_t>(size), file.get());
  if (read < static_cast<size_t>(size)) {
    const int error = errno;
    if (status.raise(voerr::codes::kOsFault.code, TOVIK_SITE(voerr::codes::kOsFault.text))) {
      voerr::addErrnoReport(status, error);
      voerr::ReportObject(status, "vosysq_debug")
          .add("desc", "didn't read full content of file")
          .addUnsigned("fileSize", static_cast<uint64_t>(size))
          .addUnsigned("fread_return", read)
          .add("filename", path);
    }
  }
  buffer.data()[size] = '\0';
}

}  // namespace vosysq
