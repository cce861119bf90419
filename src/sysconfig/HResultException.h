// The exception of a failed call into the system configuration service.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "status/Status.h"

namespace sysapicpp {

// Carries the service's code and the failing call's location ("file",
// "line", "component") in a status report. It is deliberately not a
// voerr::Exception: the API frame reports it as an internal software error
// and the service's code stays inside. what() is empty.
class HResultException : public virtual std::exception {
 public:
  // site: file, line and component of the failing call; its constant text is
  // not used.
  HResultException(int32_t code, const voerr::RaiseSite& site);
  HResultException(const HResultException& other);
  HResultException& operator=(const HResultException&) = delete;
  ~HResultException() override;

  const char* what() const noexcept override { return message_.c_str(); }
  int32_t code() const { return status_.code; }
  const voerr::Status& status() const { return status_; }

 private:
  voerr::Status status_;
  std::string message_;
};

// A call that the service answered with success but without the object it
// had to deliver, or an object without the expected interface.
class UnexpectedException : public HResultException {
 public:
  static constexpr int32_t kCode = static_cast<int32_t>(0x8000FFFFu);
  explicit UnexpectedException(const voerr::RaiseSite& site) : HResultException(kCode, site) {}
};

// Throws HResultException when `result` is negative.
void checkResult(int32_t result, const voerr::RaiseSite& site);

}  // namespace sysapicpp
