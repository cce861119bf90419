// Session objects and the library's self-pin on the first session.
#include "sessions/Session.h"

#include <dlfcn.h>

#include <atomic>

#include "ivi/IviWrapper.h"
#include "dynlib/DynamicLibrary.h"
#include "status/Exception.h"
#include "telemetry/UsageTelemetry.h"

namespace miivi {

SessionInterface::~SessionInterface() = default;

Session::Session(std::unique_ptr<IviWrapperInterface> iviWrapper, int32_t language,
                 int32_t openedFromYm)
    : iviWrapper_(std::move(iviWrapper)), language_(language), openedFromYm_(openedFromYm) {}

Session::~Session() = default;

}  // namespace miivi

namespace dvl {

namespace {

std::atomic<bool> selfPinned{false};

// Plugins hold the address of tovik_close; once a session exists the
// library must not be unloaded under them, so it opens itself and never
// closes that handle.
void pinLibrary() {
  if (selfPinned.load(std::memory_order_acquire)) return;
  voerr::Status status;
  if (!vodynlib_load(kSelfPinName, RTLD_NOW | RTLD_GLOBAL, status)) throw voerr::Exception(status);
  selfPinned.store(true, std::memory_order_release);
}

}  // namespace

Session::Session(std::unique_ptr<miivi::IviWrapperInterface> iviWrapper, int32_t language,
                 int32_t openedFromYm, tovik::Plugin* plugin, std::string resourceName,
                 std::unique_ptr<telemetry::SessionLogger> telemetryLogger)
    : miivi::Session(std::move(iviWrapper), language, openedFromYm),
      resourceName_(std::move(resourceName)),
      plugin_(plugin),
      telemetryLogger_(std::move(telemetryLogger)) {
  pinLibrary();
}

Session::~Session() = default;

}  // namespace dvl
