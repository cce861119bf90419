#include "sysconfig/HResultException.h"

namespace sysapicpp {

HResultException::HResultException(int32_t code, const voerr::RaiseSite& site) {
  // A site without constant text writes exactly "file", "line", "component".
  const voerr::RaiseSite location{site.file, site.line, site.component, nullptr};
  status_.raise(code, location);
}

HResultException::HResultException(const HResultException& other)
    : std::exception(other), message_(other.message_) {
  status_.mergeCopy(other.status_);
}

HResultException::~HResultException() = default;

void checkResult(int32_t result, const voerr::RaiseSite& site) {
  if (result < 0) throw HResultException(result, site);
}

}  // namespace sysapicpp
