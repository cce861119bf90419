// One-line raise sites: build a status with its report and throw it.
//
//   TOVIK_RAISE(voerr::codes::kInvalidSessionHandle).throwIt();
//   TOVIK_RAISE(voerr::codes::kBadOptionValueResolver)
//       .usage("kUsageTypeInvalidIdentifier", name).throwIt();
//   TOVIK_RAISE_VAR(error_).throwIt();           // constant text "error_"
//   TOVIK_RAISE_PLAIN(voerr::codes::kMemoryFull).throwIt();  // no translator
//
// Each macro expansion owns one static RaiseSite naming this source file
// (bare name, from the build), the line, the component "tovik" and the
// constant text.
#pragma once

#include <cstdint>

#include "status/Exception.h"
#include "status/Status.h"
#include "status/StatusCodes.h"

#ifndef TOVIK_SOURCE_NAME
#define TOVIK_SOURCE_NAME __FILE__
#endif

namespace voerr {

// The raise sequence: raise into a fresh local status, attach the
// translator, append items, then hand the buffer to the thrown exception.
class Raiser {
 public:
  Raiser(int32_t code, const RaiseSite& site, const char* translator);
  Raiser(const Raiser&) = delete;
  Raiser& operator=(const Raiser&) = delete;

  Raiser& usage(const char* key, const char* value, const char* valueType = "string");
  Raiser& elaboration(const char* key);
  Raiser& comment(const char* text);

  [[noreturn]] void throwIt();
  // For lower layers: merge the raised status into the caller's record
  // instead of throwing.
  void into(Status& target);

  Status& status() { return status_; }

 private:
  Status status_;
  char* items_ = nullptr;
};

}  // namespace voerr

#define TOVIK_SITE(constantText)                                                          \
  ([]() -> const ::voerr::RaiseSite& {                                                    \
    static const ::voerr::RaiseSite site{TOVIK_SOURCE_NAME, __LINE__, ::voerr::kComponent, \
                                         constantText};                                   \
    return site;                                                                          \
  }())

// A named constant of StatusCodes.h, with the translator "mxlator_tovik".
#define TOVIK_RAISE(constant) \
  ::voerr::Raiser((constant).code, TOVIK_SITE((constant).text), ::voerr::kTranslatorName)

// A named constant without a translator (memory, platform and exception sites).
#define TOVIK_RAISE_PLAIN(constant) \
  ::voerr::Raiser((constant).code, TOVIK_SITE((constant).text), nullptr)

// A code held in a variable: the variable's name is the constant text.
#define TOVIK_RAISE_VAR(variable) \
  ::voerr::Raiser((variable), TOVIK_SITE(#variable), ::voerr::kTranslatorName)
#define TOVIK_RAISE_VAR_PLAIN(variable) ::voerr::Raiser((variable), TOVIK_SITE(#variable), nullptr)
