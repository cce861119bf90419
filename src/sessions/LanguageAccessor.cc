// Session and default message languages, and the host environment's language.
#include "sessions/LanguageAccessor.h"

#include <dlfcn.h>

#include <cstring>

#include "ivi/IviWrapper.h"
#include "sessions/GuardedSingleton.h"

namespace miivi {

template <typename SessionType>
LanguageAccessor<SessionType>::LanguageAccessor(SessionRegistryInterface<SessionType>& registry,
                                                int32_t defaultLanguage,
                                                voerr::PlatformStatus& status)
    : registry_(&registry), defaultLanguage_(defaultLanguage) {
  lock_.create(status);
}

template <typename SessionType>
int32_t LanguageAccessor<SessionType>::getLanguage(const IviWrapperInterface& binding) {
  const uint32_t handle = binding.getSession();
  if (handle != 0) {
    if (auto session = registry_->find(handle)) return session->language();
  }
  voapal::ReadSection read(lock_);
  return defaultLanguage_;
}

template <typename SessionType>
void LanguageAccessor<SessionType>::setDefaultLanguage(int32_t language) {
  voapal::WriteSection write(lock_);
  defaultLanguage_ = language;
}

template class LanguageAccessor<dvl::Session>;

namespace {

const bool accessorGuardReady =
    (GuardedSingleton<LanguageAccessor<dvl::Session>>::guard(), true);

// The host's length-prefixed ("Pascal") strings: first byte the length.
using GetLangStrFunction = void (*)(unsigned char* buffer);
using PStrCmpFunction = int32_t (*)(const unsigned char* left, const unsigned char* right);

}  // namespace

int32_t hostLanguage() {
  void* self = dlopen(nullptr, RTLD_NOW);
  if (!self) return 0;
  auto getLangStr = reinterpret_cast<GetLangStrFunction>(dlsym(self, "GetLangStr"));
  auto pStrCmp = reinterpret_cast<PStrCmpFunction>(dlsym(self, "PStrCmp"));
  int32_t language = 0;
  if (getLangStr && pStrCmp) {
    unsigned char name[264] = {};
    getLangStr(name);
    static const unsigned char* const kNames[] = {
        reinterpret_cast<const unsigned char*>("\x06" "French"),
        reinterpret_cast<const unsigned char*>("\x06" "German"),
        reinterpret_cast<const unsigned char*>("\x08" "Japanese"),
        reinterpret_cast<const unsigned char*>("\x06" "Korean"),
        reinterpret_cast<const unsigned char*>("\x08" "ChineseS")};
    for (int32_t i = 0; i < 5; ++i) {
      if (pStrCmp(name, kNames[i]) == 0) {
        language = i + 1;
        break;
      }
    }
  }
  dlclose(self);
  return language;
}

LanguageAccessor<dvl::Session>& languageAccessor() {
  return GuardedSingleton<LanguageAccessor<dvl::Session>>::guard().get(
      [](voerr::PlatformStatus& status) {
        return new LanguageAccessor<dvl::Session>(sessionRegistry(), hostLanguage(), status);
      });
}

}  // namespace miivi
