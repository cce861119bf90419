#include "sysconfig/ExpertInfoHandle.h"

#include "status/StatusCodes.h"
#include "sysconfig/HResultException.h"
#include "sysconfig/WideText.h"

namespace sysapicpp {
namespace {

constexpr voerr::RaiseSite kNameSite{"ExpertInfoHandle", 66, voerr::kComponent, nullptr};

}  // namespace

std::string ExpertInfoHandle::name() const {
  if (!item_) throw UnexpectedException(kNameSite);
  ReturnedString text;
  checkResult(item_->getName(text.out()), kNameSite);
  return text.toUtf8();
}

}  // namespace sysapicpp
