// Process-wide map from session handle to shared session reference.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "platform/Noncopyable.h"
#include "platform/Primitives.h"
#include "sessions/GuardedSingleton.h"
#include "sessions/Session.h"
#include "sessions/SharedReference.h"
#include "telemetry/UsageTelemetry.h"

namespace miivi {

template <typename SessionType>
class SessionRegistryInterface {
 public:
  using Reference = vohtl::SharedPtr<SessionType>;
  virtual ~SessionRegistryInterface() = default;
  // Keeps an existing entry: a second insert of a handle changes nothing.
  virtual void insert(uint32_t handle, const Reference& session) = 0;
  virtual void erase(uint32_t handle) = 0;
  // Finds and removes the entry under one write lock and hands back its
  // reference, so of two threads removing one handle only one gets the
  // session; empty when the handle is not registered. With `expected`, the
  // entry is removed only while it still holds that session (a handle the
  // plugin reused belongs to another session).
  virtual Reference remove(uint32_t handle, const SessionType* expected) = 0;
  // Raises 0xBFFA1190 when the handle is not registered.
  virtual Reference lookup(uint32_t handle) = 0;
  // Like lookup, but an empty reference instead of raising.
  virtual Reference find(uint32_t handle) = 0;
};

// Lookups share the read side of a readers-preferring lock; inserting and
// removing take the write side only for the map change itself.
template <typename SessionType>
class SessionRegistry final : public SessionRegistryInterface<SessionType>,
                              private vo::no_adl::noncopyable {
 public:
  using Reference = typename SessionRegistryInterface<SessionType>::Reference;

  // Creates the lock into `status`; the registry is unusable when it failed.
  explicit SessionRegistry(voerr::PlatformStatus& status) { lock_.create(status); }
  ~SessionRegistry() override = default;

  void insert(uint32_t handle, const Reference& session) override;
  void erase(uint32_t handle) override;
  Reference remove(uint32_t handle, const SessionType* expected) override;
  // Every API call looks its session up: defined here to be inlined.
  Reference lookup(uint32_t handle) override {
    Reference session = find(handle);
    if (!session) raiseInvalidHandle();
    return session;
  }
  Reference find(uint32_t handle) override {
    voapal::ReadSection read(lock_);
    auto entry = sessions_.find(handle);
    return entry == sessions_.end() ? Reference() : entry->second;
  }

 private:
  [[noreturn]] static void raiseInvalidHandle();

  std::map<uint32_t, Reference> sessions_;
  voapal::ReaderWriterLock lock_;
};

extern template class SessionRegistry<dvl::Session>;

using DriverSessionRegistry = SessionRegistry<dvl::Session>;
using SessionReference = vohtl::SharedPtr<dvl::Session>;

// The process-wide registry, built on first use; throws -52003 when its
// locks cannot be created (the next call tries again). Inline: every API
// call starts here.
inline DriverSessionRegistry& sessionRegistry() {
  return GuardedSingleton<DriverSessionRegistry>::guard().get(
      [](voerr::PlatformStatus& status) { return new DriverSessionRegistry(status); });
}

}  // namespace miivi

namespace dvl {

// Builds the session (taking ownership of the binding and the logger) and
// registers it under the binding's handle unless that handle is taken.
miivi::SessionReference createAndRegister(std::unique_ptr<miivi::IviWrapperInterface> iviWrapper,
                                          int32_t language, int32_t openedFromYm,
                                          tovik::Plugin* plugin, const char* resourceName,
                                          std::unique_ptr<telemetry::SessionLogger> logger);

// Removes the handle (0xBFFA1190 when absent, or when `expected` is given
// and the handle no longer holds that session) and returns the caller's
// reference; the session dies with the last reference. Finding and removing
// are one step: of two concurrent takeOuts of a handle exactly one succeeds.
miivi::SessionReference takeOut(uint32_t handle, const Session* expected = nullptr);

}  // namespace dvl
