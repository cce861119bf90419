// Stand-in for the external translator manager libvoxlator.so.1.
//
// It knows one translator, "standin_echo": its static description of a
// code is "standin description <code>", its dynamic description a "json1"
// object with one usage item {"key": "Translator", "value": "standin_echo"}.
// Any other name fails with -52006 and {"debug": "unknown translator"}.
// With VOXLATOR_STANDIN_FAIL_SESSION set, createSession fails with -52006.
// Every call is counted (VoxlatorStandin.h).
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "VoxlatorStandin.h"
#include "status/Raise.h"
#include "status/ReportObject.h"
#include "translator/Xlator.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::atomic<int> sessionRequests{0}, sessionsCreated{0}, sessionsDestroyed{0};
std::atomic<int> translatorsCreated{0}, translatorsDestroyed{0};
int sessionToken = 0;

void fail(voerr::Status* status, const char* debug, const char* name) {
  if (status && status->raise(voerr::codes::kResourceNotFound.code,
                              TOVIK_SITE(voerr::codes::kResourceNotFound.text))) {
    voerr::ReportObject(*status, "voxlator_debug").add("debug", debug).add("name", name);
  }
}

char* copyOut(const std::string& text, XlatorAllocFn alloc, void* allocData,
              voerr::Status* status) {
  char* out = static_cast<char*>(alloc(nullptr, text.size() + 1, allocData, status));
  if (out) std::memcpy(out, text.c_str(), text.size() + 1);
  return out;
}

char* staticDescription(Xlator*, int32_t code, uint32_t, XlatorAllocFn alloc, void* allocData,
                        voerr::Status* status) {
  return copyOut("standin description " + std::to_string(code), alloc, allocData, status);
}

char* dynamicDescription(Xlator*, const char*, uint32_t, const char*, XlatorAllocFn alloc,
                         void* allocData, voerr::Status* status) {
  return copyOut(
      "{\"dynamic\":[{\"type\":\"usage\",\"key\":\"Translator\",\"value\":\"standin_echo\"}],"
      "\"debug\":{}}",
      alloc, allocData, status);
}

}  // namespace

EXPORT void* voxlatormgr_createSession(voerr::Status* status) {
  ++sessionRequests;
  if (std::getenv("VOXLATOR_STANDIN_FAIL_SESSION")) {
    fail(status, "session refused", "");
    return nullptr;
  }
  ++sessionsCreated;
  return &sessionToken;
}

EXPORT void voxlatormgr_destroySession(void*) { ++sessionsDestroyed; }

EXPORT Xlator* voxlatormgr_createXlator(void*, const char* name, voerr::Status* status, void*) {
  if (!name || std::strcmp(name, "standin_echo") != 0) {
    fail(status, "unknown translator", name ? name : "");
    return nullptr;
  }
  Xlator* translator = new (std::nothrow)
      Xlator{sizeof(Xlator), nullptr, &staticDescription, &dynamicDescription};
  if (translator) ++translatorsCreated;
  return translator;
}

EXPORT void voxlatormgr_destroyXlator(void*, Xlator* translator) {
  ++translatorsDestroyed;
  delete translator;
}

EXPORT void voxlator_standin_counts(VoxlatorStandinCounts* counts) {
  counts->sessionRequests = sessionRequests;
  counts->sessionsCreated = sessionsCreated;
  counts->sessionsDestroyed = sessionsDestroyed;
  counts->translatorsCreated = translatorsCreated;
  counts->translatorsDestroyed = translatorsDestroyed;
}
