// The translators registered at library load, by name.
#pragma once

#include "status/Status.h"
#include "translator/Xlator.h"

namespace voxlator {

using CreateXlatorFn = Xlator* (*)(const char* name, const char* registrationInfo,
                                   voerr::Status& status);

// One entry of the process-wide list. Constructing an entry appends it (the
// static initialisers of the library's load); destroying it unlinks it.
class XlatorRegistration {
 public:
  XlatorRegistration(const char* name, const char* registrationInfo, CreateXlatorFn createFn);
  ~XlatorRegistration();
  XlatorRegistration(const XlatorRegistration&) = delete;
  XlatorRegistration& operator=(const XlatorRegistration&) = delete;

  const char* name() const { return name_; }
  const char* registrationInfo() const { return registrationInfo_; }
  Xlator* create(voerr::Status& status) const { return create_(name_, registrationInfo_, status); }

  // The first entry from the head whose name equals `name`, or null.
  static const XlatorRegistration* find(const char* name);
  // The entries in list order (for tests and tools).
  static const XlatorRegistration* first();
  const XlatorRegistration* next() const;

 private:
  friend struct RegistrationList;
  XlatorRegistration() = default;  // the sentinel head

  const char* name_ = nullptr;
  const char* registrationInfo_ = nullptr;
  CreateXlatorFn create_ = nullptr;
  XlatorRegistration* previous_ = this;
  XlatorRegistration* next_ = this;
};

// The registration text of "mxlator_tovik", built at load from its pieces.
const char* tovikRegistrationInfo();

}  // namespace voxlator
