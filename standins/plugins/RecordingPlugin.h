/* Test control of the recording plugin stand-in.
 *
 * The stand-in exports every entry of every plugin table under one family's
 * prefixes. Each entry records its qualified name ("main.init", "ym.init",
 * "threadstorage.SetYMRTTLSIndex") and the raw bits of its arguments, then
 * returns the status set for it (0 unless a test chose another). Entries
 * that create a session write the chosen handle through their ViSession*
 * argument when they succeed. "SetCloseFunctionPointer" also keeps the
 * address it receives and runs the load hook.
 *
 * A test reaches the control block of a loaded library through
 *   const RecordingPluginControl* control = RecordingPlugin_find("libtovikpal.so");
 */
#ifndef RECORDING_PLUGIN_H
#define RECORDING_PLUGIN_H

#include <dlfcn.h>
#include <stdint.h>

#include "tovik/tovik_vitypes.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RECORDING_PLUGIN_MAX_ARGS 16
#define RECORDING_PLUGIN_LOG_CAPACITY 256
#define RECORDING_PLUGIN_CONTROL_SYMBOL "RecordingPlugin_control"

/* The results the close-pointer variants return from SetCloseFunctionPointer. */
#define RECORDING_PLUGIN_NEGATIVE_CLOSE_RESULT ((ViStatus)-1073807339) /* 0xBFFF0015 */
#define RECORDING_PLUGIN_POSITIVE_CLOSE_RESULT ((ViStatus)0x3FFA4001)
/* The handle session-creating entries write until a test sets another. */
#define RECORDING_PLUGIN_DEFAULT_HANDLE ((ViSession)1)
/* setNextHandle(RECORDING_PLUGIN_FRESH_HANDLES): every session-creating call
 * gets a handle of its own, counting up from RECORDING_PLUGIN_FIRST_FRESH_HANDLE
 * (for tests that open sessions from several threads). */
#define RECORDING_PLUGIN_FRESH_HANDLES ((ViSession)0)
#define RECORDING_PLUGIN_FIRST_FRESH_HANDLE ((ViSession)0x10000)

/* One argument: its bytes, zero-extended into `bits`, and its width. */
typedef struct {
  uint64_t bits;
  uint32_t width;
} RecordingPluginArg;

typedef struct {
  const char* entry; /* qualified entry name, static storage */
  uint32_t argCount;
  RecordingPluginArg args[RECORDING_PLUGIN_MAX_ARGS];
} RecordingPluginCall;

typedef struct {
  /* Clears the call log, the chosen results, the handle and the hook. */
  void (*reset)(void);
  /* 0, or -1 for an entry name the tables do not have. */
  int (*setResult)(const char* entry, ViStatus result);
  void (*setNextHandle)(ViSession handle);
  /* Calls since the last reset (the log keeps the first
     RECORDING_PLUGIN_LOG_CAPACITY of them). */
  int (*callCount)(void);
  /* Copies call `index` (0 = oldest); 0, or -1 when there is none. */
  int (*getCall)(int index, RecordingPluginCall* call);
  /* How many logged calls went to `entry`. */
  int (*countOf)(const char* entry);
  /* Runs inside SetCloseFunctionPointer, on the loading thread. */
  void (*setLoadHook)(void (*hook)(void* context), void* context);
  /* The address SetCloseFunctionPointer received last, or null. */
  void* (*closeFunction)(void);
  /* Runs inside every entry, after the call is logged and before it
     returns, on the calling thread, with the entry's qualified name (a test
     may block or end the thread there). Null removes it; reset clears it. */
  void (*setCallHook)(void (*hook)(const char* entry, void* context), void* context);
} RecordingPluginControl;

typedef const RecordingPluginControl* (*RecordingPluginControlFunction)(void);

#ifdef RTLD_NOLOAD
/* The control block of a recording plugin the process has already loaded
 * (by its family file name, e.g. "libtovikpal.so"), or null. */
static inline const RecordingPluginControl* RecordingPlugin_find(const char* file) {
  void* library = dlopen(file, RTLD_NOW | RTLD_NOLOAD);
  RecordingPluginControlFunction get;
  if (!library) return 0;
  *(void**)(&get) = dlsym(library, RECORDING_PLUGIN_CONTROL_SYMBOL);
  return get ? get() : 0;
}
#endif

#ifdef __cplusplus
}
#endif

#endif
