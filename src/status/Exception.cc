// Exception types and the translation of foreign exceptions into a status.
#include "status/Exception.h"

#include <new>

#include "status/Raise.h"
#include "status/StatusCodes.h"

namespace voerr {

ExceptionBase::ExceptionBase(Status& source) { status_.mergeMove(source); }

ExceptionBase::ExceptionBase(const ExceptionBase& other) { status_.mergeMove(other.status_); }

ExceptionBase::~ExceptionBase() = default;

const char* ExceptionBase::reportText() const { return status_.reportText(); }

Exception::Exception(Status& source) : ExceptionBase(source) {}

Exception::Exception(const Exception& other) : ExceptionBase(other), std::exception(other) {}

Exception::~Exception() = default;

const char* Exception::what() const noexcept { return reportText(); }

namespace {

// Foreign exceptions carry no translator: their reports only say what the
// standard library said.
void raiseForeign(Status& status, const StatusConstant& constant, const RaiseSite& site,
                  const char* what) {
  if (status.raise(constant.code, site)) status.addTopLevelString("std_exception_what", what);
}

}  // namespace

void translateCurrentException(Status& status) {
  try {
    throw;
  } catch (ExceptionBase& error) {
    status.mergeMove(error.status());
  } catch (const std::bad_alloc& error) {
    raiseForeign(status, codes::kOutOfMemory, TOVIK_SITE(codes::kOutOfMemory.text), error.what());
  } catch (const std::exception& error) {
    raiseForeign(status, codes::kInternalSoftwareError,
                 TOVIK_SITE(codes::kInternalSoftwareError.text), error.what());
  }
}

}  // namespace voerr
