// Thin wrapper over the translator: renders a status report into text.
#pragma once

#include <cstdint>
#include <string>

#include "status/Status.h"

namespace miivi {

// Translator flag bits.
enum TranslateFlags : uint32_t {
  kStaticDescription = 0x1,
  kDynamicDescription = 0x2,
  kDebugSection = 0x4,
  kNestedErrors = 0x8,
  kTranslateDefault = 0x40000000,
};

class MxlWrapper {
 public:
  virtual ~MxlWrapper() = default;
  // Renders `report` in `language` into `text`; failures go to `status`.
  virtual void translate(const voerr::Status& report, int32_t language, uint32_t flags,
                         std::string& text, voerr::Status& status) const;
  // Unmapped value of a code: the identity.
  virtual void unmapErrorCode(int32_t& code) const;
};

}  // namespace miivi
