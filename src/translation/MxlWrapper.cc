// The translator wrapper: the formatted-text translation of the translator
// manager, with the caller's text as the output.
#include "translation/MxlWrapper.h"

#include "text/BasicString.h"
#include "translator/Translate.h"

namespace miivi {

void MxlWrapper::translate(const voerr::Status& report, int32_t language, uint32_t flags,
                           std::string& text, voerr::Status& status) const {
  if (status.isError() || report.code == 0) return;
  vohtl::BasicString output;
  if (!output.assign(text.data(), text.size(), status)) return;
  vomxl::translateStatusToFormattedText(report, static_cast<uint32_t>(language), flags, output,
                                        status);
  text.assign(output.c_str(), output.length());
}

void MxlWrapper::unmapErrorCode(int32_t& code) const { vomxl::unmapErrorCodeInPlace(code); }

}  // namespace miivi
