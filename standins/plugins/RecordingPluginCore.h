/* What the generated entries of the recording plugin share. Everything here
   is hidden: several recording libraries live in one process with global
   symbols, and each must keep its own state. */
#ifndef RECORDING_PLUGIN_CORE_H
#define RECORDING_PLUGIN_CORE_H

#include <string.h>

#include "RecordingPlugin.h"

#define RP_EXPORT __attribute__((visibility("default")))
#define RP_HIDDEN __attribute__((visibility("hidden")))

#define RP_ARG(arg, value)                        \
  do {                                            \
    (arg).bits = 0;                               \
    memcpy(&(arg).bits, &(value), sizeof(value)); \
    (arg).width = (uint32_t)sizeof(value);        \
  } while (0)

/* From the generated file: every entry's qualified name, by flat index. */
extern RP_HIDDEN const char* const rp_entryNames[];
extern RP_HIDDEN const int rp_entryCount;
extern RP_HIDDEN const char* const rp_closePointerEntry;

RP_HIDDEN ViStatus rp_record(int entry, const RecordingPluginArg* args, int argCount);
RP_HIDDEN void rp_closeFunctionReceived(ViAddr closeFunction);
RP_HIDDEN ViSession rp_nextHandle(void);

#endif
