// Static error descriptions from error-description files.
//
// A file is line-oriented text: a header line starting with
// <?xml version="1.0", then <vodocument>, then blocks
//   <voerror code="-52006">
//   description lines, kept byte for byte
//   </voerror>
// and <vocomment> ... </vocomment> sections, up to </vodocument>. Tags are
// matched at the start of a line without regard to case; a physical line
// longer than 1023 bytes is read as several lines.
//
// Every operation clears its output first and does nothing more when
// `status` already holds an error; failures are -52006 (resource not found)
// with a "voxlator_debug" object, -52005 for a bad language and -52000 when
// memory runs out.
#pragma once

#include <cstdint>

#include "status/Status.h"
#include "text/BasicString.h"

namespace voxlator {

// The first block for `code` in one file, without its trailing CR and LF;
// empty when the file has none or lacks the two header lines.
void readErrorFile(const char* path, int32_t code, vohtl::BasicString& description,
                   voerr::Status& status);

// The first non-empty description among the directory's regular "*.txt" and
// "*.err" files, in the order the system lists them.
void scanErrorDirectory(const char* directory, int32_t code, vohtl::BasicString& description,
                        voerr::Status& status);

// The language subdirectory of `errorsDirectory`, then the directory itself
// when the first found nothing. A missing language directory is an error.
void searchErrorsDirectory(const char* errorsDirectory, int32_t code, uint32_t language,
                           vohtl::BasicString& description, voerr::Status& status);

// "English" ... "ChineseS" for languages 0-5; any other value gives "" and
// -52005 with {"ymerrorsparser": "invalid language", "lang": language}.
const char* languageDirectoryName(uint32_t language, voerr::Status& status);

}  // namespace voxlator
