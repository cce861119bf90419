// The process-wide registration list: "mxlator_tovik", then "voxlator_default".
#include "translator/Registration.h"

#include <cstring>
#include <string>

#include "luatranslator/LuaTranslator.h"
#include "translator/DefaultTranslator.h"
#include "translator/Translate.h"

namespace voxlator {

struct RegistrationList {
  // Constructed by the first registration, so it outlives every entry.
  static XlatorRegistration& head() {
    static XlatorRegistration sentinel;
    return sentinel;
  }
};

XlatorRegistration::XlatorRegistration(const char* name, const char* registrationInfo,
                                       CreateXlatorFn createFn)
    : name_(name), registrationInfo_(registrationInfo), create_(createFn) {
  XlatorRegistration& head = RegistrationList::head();
  previous_ = head.previous_;
  next_ = &head;
  head.previous_->next_ = this;
  head.previous_ = this;
}

XlatorRegistration::~XlatorRegistration() {
  previous_->next_ = next_;
  next_->previous_ = previous_;
}

const XlatorRegistration* XlatorRegistration::first() {
  const XlatorRegistration& head = RegistrationList::head();
  return head.next_ == &head ? nullptr : head.next_;
}

const XlatorRegistration* XlatorRegistration::next() const {
  return next_ == &RegistrationList::head() ? nullptr : next_;
}

const XlatorRegistration* XlatorRegistration::find(const char* name) {
  for (const XlatorRegistration* entry = first(); entry; entry = entry->next()) {
    if (name && std::strcmp(entry->name(), name) == 0) return entry;
  }
  return nullptr;
}

namespace {

constexpr const char* kDriverName = "tovik";
constexpr const char* kInfoPrefix =
    "{\"voxlatorlua_xlator\":\"mxlator\",\"voxlatorlua_settings\":{\"driverName\":\"";
constexpr const char* kInfoSuffix =
    "\",\"voSharedErrorsDir\":\"$_voShared32Dir/errors\","
    "\"MIErrorsDir\":\"$_voShared32Dir/mierrors\"}}";

const std::string& registrationText() {
  static const std::string text = std::string(kInfoPrefix) + kDriverName + kInfoSuffix;
  return text;
}

// The script translator, with the scripts' vomxl_unmapErrorCode.
Xlator* createTovikTranslator(const char* name, const char* registrationInfo,
                              voerr::Status& status) {
  Xlator* translator = voxlatorlua::createLuaTranslator(name, registrationInfo, status);
  if (!translator) return nullptr;
  if (!voxlatorlua::defineGlobalFunction(translator, "vomxl_unmapErrorCode",
                                         &vomxl::unmapErrorCodeForScripts, status)) {
    translator->destroy(translator);
    return nullptr;
  }
  return translator;
}

Xlator* createDefaultTranslator(const char*, const char*, voerr::Status& status) {
  return status.isError() ? nullptr : defaultTranslator();
}

// In this order: the script translator of the library's reports first.
const XlatorRegistration kTovik("mxlator_tovik", registrationText().c_str(),
                                &createTovikTranslator);
const XlatorRegistration kDefault(kDefaultTranslatorName, "{}", &createDefaultTranslator);

}  // namespace

const char* tovikRegistrationInfo() { return registrationText().c_str(); }

}  // namespace voxlator
