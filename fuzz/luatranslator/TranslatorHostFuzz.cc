// Fuzzes the script translator's text input through the host: an arbitrary
// report given to the dynamic description of a fresh translator (as every
// translation makes one), in any language and development environment, and
// the same report rendered by the formatter with the dynamic, debug and
// nested sections. A description is a JSON object with "dynamic" and
// "debug", or a failure in the status; nothing crashes, leaks or hangs.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "luatranslator/LuaTranslator.h"
#include "reportjson/ReportJson.h"
#include "text/BasicString.h"
#include "translator/Registration.h"
#include "translator/Translate.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two bytes choose the language (0-7) and the environment (0-4); the rest
  // is the report, as a C caller passes it: up to the first zero byte.
  if (size < 2) return 0;
  const uint32_t language = data[0] % 8u | (data[1] % 5u) << 8;
  const std::string report(reinterpret_cast<const char*>(data) + 2, size - 2);

  voerr::Status status;
  Xlator* translator = voxlatorlua::createLuaTranslator(
      "mxlator_tovik", voxlator::tovikRegistrationInfo(), status);
  check(translator != nullptr);
  char* text = translator->getDynamicDesc(translator, report.c_str(), language, "json1",
                                          &voxlator::allocate, nullptr, &status);
  if (text) {
    check(status.code == 0);
    check(voxlator::json::findMember(text, "dynamic") && voxlator::json::findMember(text, "debug"));
  } else {
    check(status.isError());
  }
  voxlator::allocate(text, 0, nullptr, nullptr);
  translator->destroy(translator);

  voerr::Status subject;
  subject.setCode(-1);
  subject.assignReport(report.c_str());
  vohtl::BasicString rendered;
  voerr::Status rendering;
  vomxl::translateStatusToFormattedText(subject, language, 2 | 4 | 8, rendered, rendering);
  check(!rendering.isError() || !rendered.empty() || report.c_str()[0] == '\0');
  return 0;
}
