// Which language the errors of a session are described in.
#pragma once

#include <cstdint>

#include "platform/Noncopyable.h"
#include "platform/Primitives.h"
#include "sessions/SessionRegistry.h"

namespace miivi {

class IviWrapperInterface;

class LanguageAccessorInterface {
 public:
  virtual ~LanguageAccessorInterface() = default;
  // The session's language, or the default for handle 0 and unknown handles.
  virtual int32_t getLanguage(const IviWrapperInterface& binding) = 0;
  virtual void setDefaultLanguage(int32_t language) = 0;
};

template <typename SessionType>
class LanguageAccessor final : public LanguageAccessorInterface, private vo::no_adl::noncopyable {
 public:
  LanguageAccessor(SessionRegistryInterface<SessionType>& registry, int32_t defaultLanguage,
                   voerr::PlatformStatus& status);
  int32_t getLanguage(const IviWrapperInterface& binding) override;
  void setDefaultLanguage(int32_t language) override;

 private:
  SessionRegistryInterface<SessionType>* registry_;
  int32_t defaultLanguage_;
  voapal::ReaderWriterLock lock_;
};

extern template class LanguageAccessor<dvl::Session>;

// The process-wide accessor; its default starts as the host's language.
LanguageAccessor<dvl::Session>& languageAccessor();

// The host environment's language: 0 without "GetLangStr" and "PStrCmp" in
// the process, else 1 French, 2 German, 3 Japanese, 4 Korean, 5 Simplified
// Chinese (0 for any other name).
int32_t hostLanguage();

}  // namespace miivi
