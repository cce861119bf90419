// The library's one exception type and the translation of foreign exceptions.
#pragma once

#include <exception>

#include "status/Status.h"

namespace voerr {

class ExceptionBase {
 public:
  // Takes over the source's report buffer (mergeMove).
  explicit ExceptionBase(Status& source);
  ExceptionBase(const ExceptionBase& other);
  ExceptionBase& operator=(const ExceptionBase&) = delete;
  virtual ~ExceptionBase();
  virtual const char* reportText() const;

  const Status& status() const { return status_; }
  Status& status() { return status_; }

 private:
  // Copying an exception moves the buffer, as the thrown object is copied at
  // most once during a throw and the source is discarded.
  mutable Status status_;
};

// So a handler for std::exception catches every library error, and a handler
// for ExceptionBase reaches its status. what() is the JSON report.
class Exception : public virtual ExceptionBase, public virtual std::exception {
 public:
  explicit Exception(Status& source);
  Exception(const Exception& other);
  ~Exception() override;
  const char* what() const noexcept override;
};

// Must be called inside a catch block: rethrows the current exception and
// merges it into `status` (library errors by buffer hand-over, bad_alloc as
// out-of-memory, any other std::exception as internal software error).
// Anything not derived from std::exception passes on.
void translateCurrentException(Status& status);

}  // namespace voerr
