// One configuration expert listed by the service.
#pragma once

#include <string>

#include "sysconfig/InterfacePtr.h"
#include "vosysapi.h"

namespace sysapicpp {

class ExpertInfoHandle {
 public:
  explicit ExpertInfoHandle(InterfacePtr<ImxSysExpertInfo> item) : item_(std::move(item)) {}

  // The expert's name as UTF-8; a failed read throws HResultException.
  std::string name() const;

 private:
  InterfacePtr<ImxSysExpertInfo> item_;
};

}  // namespace sysapicpp
