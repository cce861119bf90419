// Named directory variables and the expansion of "$name/" references.
#pragma once

#include <string_view>

#include "status/Status.h"
#include "text/BasicString.h"

namespace vosysq {

// Where the shared directory is configured, and its value without that file.
constexpr const char* kSharedDirectoryFile = "/etc/velmora/share/share.dir";
constexpr const char* kDefaultSharedDirectory = "/usr/local/velmora/share";

// Every operation does nothing when `status` already holds an error.

// The value of one directory variable ("_voShared32Dir", "_multiarchlibdir",
// "_voSharedDir", "_commonAppDataDir", "_tempDir"), computed afresh; the
// empty string, and no error, for any other name.
vohtl::BasicString lookupVariable(std::string_view name, voerr::Status& status);

// `path` with every "$name" reference (a '$' up to the next '/') replaced by
// the variable's value; a '$' with no '/' after it is an error.
vohtl::BasicString expandPath(std::string_view path, voerr::Status& status);

// The shared directory: share.dir's content trimmed, or the default when the
// file cannot be read.
void sharedDirectory(vohtl::BasicString& output, voerr::Status& status);

// The shared directory from share.dir's raw content (its bytes and the
// terminating zero): white space, zero bytes and '/' removed from the end,
// then white space from the start.
void trimSharedDirectory(vohtl::BasicString& content);

// The whole file and a terminating zero byte (length = file size + 1).
void readWholeFile(const char* path, vohtl::BasicString& buffer, voerr::Status& status);

}  // namespace vosysq
