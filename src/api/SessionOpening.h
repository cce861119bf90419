// The opening sequence shared by every session-opening export.
#pragma once

#include "api/FunctionRef.h"
#include "tovik/tovik_vitypes.h"

namespace tovik {
class Plugin;
}

namespace api {

enum class OpenKind {
  kInit,                     // no option string, language 0
  kInitWithOptions,          // language from the option string
  kInitializeWithChannels,   // likewise
  kInitExtCal,               // no option string, language 0
  kServer,                   // InitializeSessionForServer
  kGrpcInitialize,           // gRPC sessions: no option-string record, GRPC plugin
  kGrpcAttach,
};

struct OpenRequest {
  OpenKind kind;
  const char* resourceName;
  const char* optionString;  // null when the call has none, or the caller passed none
  bool ym;                   // opened through a Ymber entry point
  const char* handleName;    // the new-handle parameter ("vi", "newVi"), for its usage item
  // The gRPC forms register the session under the server session name
  // ("" when null) instead of the resource name.
  const char* registeredName = nullptr;
};

// Resolves and loads the plugin, lets `openEntry` create the session (it
// writes the handle through `vi`), and registers the session. Returns the
// entry's status; throws for the front end's own failures. A null `vi` is
// refused (0xBFFA0058) before anything is opened: a session the plugin
// opened could never be registered, reached or closed.
ViStatus openSession(const OpenRequest& request, ViSession* vi,
                     FunctionRef<ViStatus(tovik::Plugin&)> openEntry);

}  // namespace api
