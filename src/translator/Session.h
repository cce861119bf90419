// A translation session: finds translators by name, creates them on first
// use and releases them with the session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "status/Status.h"
#include "text/BasicString.h"
#include "translator/Xlator.h"

namespace voxlator {

constexpr const char* kExternalManagerLibrary = "libvoxlator.so.1";

class SessionInterface {
 public:
  virtual ~SessionInterface() = default;
  // A registered translator, else one of the external manager library.
  virtual Xlator* getTranslator(std::string_view name, voerr::Status& status) = 0;
  // The static description of `code` by the translator `translatorName`.
  virtual char* getStaticDesc(int32_t code, std::string_view translatorName, uint32_t language,
                              XlatorAllocFn alloc, void* allocData, voerr::Status& status) = 0;
  // The dynamic description of a report by the translator its "translator"
  // member names.
  virtual char* getDynamicDesc(const char* reportJson, uint32_t language, const char* format,
                               XlatorAllocFn alloc, void* allocData, voerr::Status& status) = 0;
};

class Session;

// Releases one cached translator.
class DestroyXlator {
 public:
  virtual ~DestroyXlator() = default;
  virtual void release(Xlator* translator) = 0;
};

// A translator of this library: its own destroy.
class DestroyLocalXlator final : public DestroyXlator {
 public:
  void release(Xlator* translator) override;
};

// A translator of the external manager: the manager's destroyXlator.
class DestroyExportedXlator final : public DestroyXlator {
 public:
  explicit DestroyExportedXlator(Session& session) : session_(session) {}
  void release(Xlator* translator) override;

 private:
  Session& session_;
};

class Session final : public SessionInterface {
 public:
  // Allocation failure: voapalerr_memoryFull with
  // {"debug": "failed to allocate Session memory"}, null.
  static Session* create(voerr::Status& status);
  // Releases every cached translator in cache order, then the external
  // manager's session and library.
  static void destroy(Session* session);

  Xlator* getTranslator(std::string_view name, voerr::Status& status) override;
  char* getStaticDesc(int32_t code, std::string_view translatorName, uint32_t language,
                      XlatorAllocFn alloc, void* allocData, voerr::Status& status) override;
  char* getDynamicDesc(const char* reportJson, uint32_t language, const char* format,
                       XlatorAllocFn alloc, void* allocData, voerr::Status& status) override;

  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  friend class DestroyExportedXlator;
  using CreateSessionFn = void* (*)(voerr::Status* status);
  using DestroySessionFn = void (*)(void* session);
  using CreateXlatorFn = Xlator* (*)(void* session, const char* name, voerr::Status* status,
                                     void* reserved);
  using DestroyXlatorFn = void (*)(void* session, Xlator* translator);

  struct CacheEntry {
    vohtl::BasicString name;
    Xlator* translator;
    DestroyXlator* deleter;
  };

  Session() = default;
  ~Session();
  bool cache(std::string_view name, Xlator* translator, DestroyXlator* deleter,
             voerr::Status& status);
  bool loadExternalManager(voerr::Status& status);
  void unloadExternalManager();

  void* library_ = nullptr;
  voerr::Status loadStatus_;
  CreateSessionFn createSession_ = nullptr;
  DestroySessionFn destroySession_ = nullptr;
  CreateXlatorFn createXlator_ = nullptr;
  DestroyXlatorFn destroyXlator_ = nullptr;
  void* externalSession_ = nullptr;
  DestroyLocalXlator localDeleter_;
  DestroyExportedXlator exportedDeleter_{*this};
  CacheEntry* cache_ = nullptr;
  size_t cached_ = 0;
  size_t cacheCapacity_ = 0;
};

// A session that is destroyed with the scope.
class ScopedSession {
 public:
  explicit ScopedSession(voerr::Status& status) : session_(Session::create(status)) {}
  ~ScopedSession() { Session::destroy(session_); }
  ScopedSession(const ScopedSession&) = delete;
  ScopedSession& operator=(const ScopedSession&) = delete;
  Session* get() const { return session_; }

 private:
  Session* session_;
};

}  // namespace voxlator
