// Translation sessions: the translator cache, the registered translators and
// the optional external translator manager.
#include "translator/Session.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "dynlib/DynamicLibrary.h"
#include "reportjson/ReportJson.h"
#include "status/Raise.h"
#include "status/ReportObject.h"
#include "translator/Registration.h"

namespace voxlator {

namespace {

constexpr size_t kInitialCacheCapacity = 4;

void raiseDebug(voerr::Status& status, const voerr::StatusConstant& constant,
                const voerr::RaiseSite& site, const char* debug, const char* name,
                std::string_view value) {
  if (status.raise(constant.code, site)) {
    voerr::ReportObject(status, "voxlator_debug").add("debug", debug).add(name, value);
  }
}

}  // namespace

void* allocate(void* pointer, size_t size, void* /*allocData*/, voerr::Status* status) {
  if (size == 0) {
    std::free(pointer);
    return nullptr;
  }
  if (!status) return std::realloc(pointer, size);
  if (status->isError()) return nullptr;
  void* memory = std::realloc(pointer, size);
  if (!memory && status->raise(voerr::codes::kMemoryFull.code,
                               TOVIK_SITE(voerr::codes::kMemoryFull.text))) {
    voerr::ReportObject(*status, "voxlator_debug").add("debug", "realloc failed");
  }
  return memory;
}

void DestroyLocalXlator::release(Xlator* translator) {
  if (translator && translator->destroy) translator->destroy(translator);
}

void DestroyExportedXlator::release(Xlator* translator) {
  if (session_.destroyXlator_) session_.destroyXlator_(session_.externalSession_, translator);
}

Session* Session::create(voerr::Status& status) {
  if (status.isError()) return nullptr;
  // malloc, as every allocation of this layer: a failure is a status.
  void* memory = std::malloc(sizeof(Session));
  Session* session = memory ? new (memory) Session : nullptr;
  if (!session && status.raise(voerr::codes::kMemoryFull.code,
                               TOVIK_SITE(voerr::codes::kMemoryFull.text))) {
    voerr::ReportObject(status, "voxlator_debug").add("debug", "failed to allocate Session memory");
  }
  return session;
}

void Session::destroy(Session* session) {
  if (!session) return;
  session->~Session();
  std::free(session);
}

Session::~Session() {
  for (size_t i = 0; i < cached_; ++i) {
    cache_[i].deleter->release(cache_[i].translator);
    cache_[i].name.~BasicString();
  }
  std::free(cache_);
  unloadExternalManager();
}

bool Session::cache(std::string_view name, Xlator* translator, DestroyXlator* deleter,
                    voerr::Status& status) {
  if (cached_ == cacheCapacity_) {
    const size_t capacity = cacheCapacity_ ? cacheCapacity_ * 2 : kInitialCacheCapacity;
    auto* grown = static_cast<CacheEntry*>(std::malloc(capacity * sizeof(CacheEntry)));
    if (!grown) {
      TOVIK_RAISE_PLAIN(voerr::codes::kMemoryFull).into(status);
      return false;
    }
    for (size_t i = 0; i < cached_; ++i) {
      new (&grown[i]) CacheEntry{std::move(cache_[i].name), cache_[i].translator,
                                 cache_[i].deleter};
      cache_[i].name.~BasicString();
    }
    std::free(cache_);
    cache_ = grown;
    cacheCapacity_ = capacity;
  }
  vohtl::BasicString copy;
  if (!copy.assign(name, status)) return false;
  new (&cache_[cached_++]) CacheEntry{std::move(copy), translator, deleter};
  return true;
}

Xlator* Session::getTranslator(std::string_view name, voerr::Status& status) {
  if (status.isError()) return nullptr;
  for (size_t i = 0; i < cached_; ++i) {
    if (cache_[i].name.view() == name && cache_[i].translator) return cache_[i].translator;
  }

  vohtl::BasicString key;  // registrations compare zero-terminated names
  if (!key.assign(name, status)) return nullptr;
  if (const XlatorRegistration* registration = XlatorRegistration::find(key.c_str())) {
    Xlator* translator = registration->create(status);
    if (!translator) return nullptr;
    if (!cache(name, translator, &localDeleter_, status)) {
      localDeleter_.release(translator);
      return nullptr;
    }
    return translator;
  }

  if (!library_ && !loadStatus_.isError()) loadExternalManager(status);
  if (loadStatus_.isError()) {
    status.mergeCopy(loadStatus_);
    return nullptr;
  }
  Xlator* translator = createXlator_(externalSession_, key.c_str(), &status, nullptr);
  if (!translator) return nullptr;
  if (!cache(name, translator, &exportedDeleter_, status)) {
    destroyXlator_(externalSession_, translator);
    return nullptr;
  }
  return translator;
}

bool Session::loadExternalManager(voerr::Status& status) {
  library_ = vodynlib_load(kExternalManagerLibrary, RTLD_NOW, status);
  createSession_ = reinterpret_cast<CreateSessionFn>(
      vodynlib_getSymbol(library_, "voxlatormgr_createSession", status));
  destroySession_ = reinterpret_cast<DestroySessionFn>(
      vodynlib_getSymbol(library_, "voxlatormgr_destroySession", status));
  createXlator_ = reinterpret_cast<CreateXlatorFn>(
      vodynlib_getSymbol(library_, "voxlatormgr_createXlator", status));
  destroyXlator_ = reinterpret_cast<DestroyXlatorFn>(
      vodynlib_getSymbol(library_, "voxlatormgr_destroyXlator", status));
  if (!status.isError()) externalSession_ = createSession_(&status);
  if (!status.isError()) return true;
  unloadExternalManager();
  // Remembered, so the library is tried at most once per session. An error
  // that came in with the caller is the caller's, not the load's.
  loadStatus_.mergeCopy(status);
  return false;
}

void Session::unloadExternalManager() {
  if (destroySession_ && externalSession_) destroySession_(externalSession_);
  if (library_) vodynlib_unload(library_);
  library_ = nullptr;
  externalSession_ = nullptr;
  createSession_ = nullptr;
  destroySession_ = nullptr;
  createXlator_ = nullptr;
  destroyXlator_ = nullptr;
}

char* Session::getStaticDesc(int32_t code, std::string_view translatorName, uint32_t language,
                             XlatorAllocFn alloc, void* allocData, voerr::Status& status) {
  Xlator* translator = getTranslator(translatorName, status);
  if (!translator) return nullptr;
  if (!translator->getStaticDesc) {
    raiseDebug(status, voerr::codes::kResourceNotFound,
               TOVIK_SITE(voerr::codes::kResourceNotFound.text),
               "xlator doesn't support getStaticDesc", "xlatorName", translatorName);
    return nullptr;
  }
  return translator->getStaticDesc(translator, code, language, alloc, allocData, &status);
}

char* Session::getDynamicDesc(const char* reportJson, uint32_t language, const char* format,
                              XlatorAllocFn alloc, void* allocData, voerr::Status& status) {
  if (status.isError()) return nullptr;
  const char* report = reportJson ? reportJson : "";
  size_t rawLength = 0;
  const char* raw = nullptr;
  if (const char* member = json::findMember(report, "translator")) {
    raw = json::stringValue(member, nullptr, &rawLength);
  }
  vohtl::BasicString name;
  if (raw && rawLength && name.resize(rawLength, status)) {
    char* end = json::decodeString(raw, rawLength, name.data());
    name.resize(end ? static_cast<size_t>(end - name.data()) : 0, status);
  }
  if (status.isError()) return nullptr;
  if (name.empty()) {
    raiseDebug(status, voerr::codes::kResourceNotFound,
               TOVIK_SITE(voerr::codes::kResourceNotFound.text),
               "could not find translator key in json", "json", report);
    return nullptr;
  }
  Xlator* translator = getTranslator(name.view(), status);
  if (!translator) return nullptr;
  if (!translator->getDynamicDesc) {
    raiseDebug(status, voerr::codes::kResourceNotFound,
               TOVIK_SITE(voerr::codes::kResourceNotFound.text),
               "xlator doesn't support getDynamicDesc", "xlatorName", name.view());
    return nullptr;
  }
  return translator->getDynamicDesc(translator, report, language, format, alloc, allocData,
                                    &status);
}

}  // namespace voxlator
