// The session registry, its process-wide instance, and session registration.
#include "sessions/SessionRegistry.h"


#include "ivi/IviWrapper.h"
#include "sessions/GuardedSingleton.h"
#include "status/Raise.h"
#include "telemetry/UsageTelemetry.h"

namespace miivi {

template <typename SessionType>
void SessionRegistry<SessionType>::insert(uint32_t handle, const Reference& session) {
  voapal::WriteSection write(lock_);
  sessions_.emplace(handle, session);
}

template <typename SessionType>
void SessionRegistry<SessionType>::erase(uint32_t handle) {
  // The reference dies here, after the lock: no destructor runs under it.
  remove(handle, nullptr);
}

template <typename SessionType>
typename SessionRegistry<SessionType>::Reference SessionRegistry<SessionType>::remove(
    uint32_t handle, const SessionType* expected) {
  Reference removed;
  voapal::WriteSection write(lock_);
  auto entry = sessions_.find(handle);
  if (entry != sessions_.end() && (expected == nullptr || entry->second.get() == expected)) {
    removed = std::move(entry->second);
    sessions_.erase(entry);
  }
  return removed;
}

template <typename SessionType>
void SessionRegistry<SessionType>::raiseInvalidHandle() {
  TOVIK_RAISE(voerr::codes::kInvalidSessionHandle).throwIt();
}

template class SessionRegistry<dvl::Session>;

namespace {
const bool registryGuardReady = (GuardedSingleton<DriverSessionRegistry>::guard(), true);
}  // namespace

}  // namespace miivi

namespace dvl {

miivi::SessionReference createAndRegister(std::unique_ptr<miivi::IviWrapperInterface> iviWrapper,
                                          int32_t language, int32_t openedFromYm,
                                          tovik::Plugin* plugin, const char* resourceName,
                                          std::unique_ptr<telemetry::SessionLogger> logger) {
  const uint32_t handle = iviWrapper->getSession();
  auto* session = new Session(std::move(iviWrapper), language, openedFromYm, plugin,
                              resourceName ? resourceName : "", std::move(logger));
  voerr::PlatformStatus status;
  miivi::SessionReference reference = miivi::SessionReference::adopt(session, status);
  voerr::throwIfFailed(status);
  miivi::sessionRegistry().insert(handle, reference);
  return reference;
}

miivi::SessionReference takeOut(uint32_t handle, const Session* expected) {
  miivi::SessionReference session = miivi::sessionRegistry().remove(handle, expected);
  if (!session) TOVIK_RAISE(voerr::codes::kInvalidSessionHandle).throwIt();
  return session;
}

}  // namespace dvl
