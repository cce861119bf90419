// Session objects and the library's self-pin on the first session.
#include "sessions/Session.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <string>

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

// The file this code was loaded from, as the loader knows it, so that the
// open below finds the library wherever it is installed and whatever the
// library path. Code linked into a program (no shared object of its own)
// opens the library by its name.
std::string ownFile() {
  Dl_info info;
  link_map* object = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&ownFile), &info, reinterpret_cast<void**>(&object),
              RTLD_DL_LINKMAP) != 0 &&
      object != nullptr && object->l_name != nullptr && object->l_name[0] != '\0') {
    return object->l_name;
  }
  return kSelfPinName;
}

// Plugins hold the address of tovik_close; once a session exists the
// library must not be unloaded under them, so it opens itself and never
// closes that handle.
void pinLibrary() {
  if (selfPinned.load(std::memory_order_acquire)) return;
  voerr::Status status;
  if (!vodynlib_load(ownFile().c_str(), RTLD_NOW | RTLD_GLOBAL, status)) throw voerr::Exception(status);
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
