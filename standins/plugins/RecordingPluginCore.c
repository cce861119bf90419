/* State and control of the recording plugin: the call log, the results the
   test chose and the handle that session-creating entries write. */
#include "RecordingPluginCore.h"

#include <pthread.h>
#include <stdlib.h>

#include "ivi_engine.h"

#ifndef RP_CLOSE_POINTER_RESULT
#define RP_CLOSE_POINTER_RESULT 0
#endif

#define RP_MAX_ENTRIES 512

static pthread_mutex_t gLock = PTHREAD_MUTEX_INITIALIZER;
static RecordingPluginCall gLog[RECORDING_PLUGIN_LOG_CAPACITY];
static int gCallCount;
static ViStatus gResults[RP_MAX_ENTRIES];
static int gResultsReady;
static ViSession gNextHandle = RECORDING_PLUGIN_DEFAULT_HANDLE;
static void* gCloseFunction;
static void (*gLoadHook)(void*);
static void* gLoadHookContext;
static void (*gCallHook)(const char*, void*);
static void* gCallHookContext;

static int findEntry(const char* name) {
  int index;
  if (!name) return -1;
  for (index = 0; index < rp_entryCount; ++index) {
    if (strcmp(rp_entryNames[index], name) == 0) return index;
  }
  return -1;
}

/* Under gLock. */
static void resetResults(void) {
  int closePointer = findEntry(rp_closePointerEntry);
  if (rp_entryCount > RP_MAX_ENTRIES) abort();
  memset(gResults, 0, sizeof gResults);
  if (closePointer >= 0) gResults[closePointer] = RP_CLOSE_POINTER_RESULT;
  gResultsReady = 1;
}

ViStatus rp_record(int entry, const RecordingPluginArg* args, int argCount) {
  ViStatus result;
  void (*hook)(const char*, void*);
  void* context;
  pthread_mutex_lock(&gLock);
  if (!gResultsReady) resetResults();
  if (gCallCount < RECORDING_PLUGIN_LOG_CAPACITY) {
    RecordingPluginCall* call = &gLog[gCallCount];
    call->entry = rp_entryNames[entry];
    call->argCount = (uint32_t)argCount;
    if (argCount > 0) memcpy(call->args, args, (size_t)argCount * sizeof *args);
  }
  ++gCallCount;
  result = gResults[entry];
  hook = gCallHook;
  context = gCallHookContext;
  pthread_mutex_unlock(&gLock);
  if (hook) hook(rp_entryNames[entry], context); /* unlocked: it may block */
  return result;
}

void rp_closeFunctionReceived(ViAddr closeFunction) {
  void (*hook)(void*);
  void* context;
  pthread_mutex_lock(&gLock);
  gCloseFunction = closeFunction;
  hook = gLoadHook;
  context = gLoadHookContext;
  pthread_mutex_unlock(&gLock);
  if (hook) hook(context); /* unlocked: the hook may call entries */
}

/* With RECORDING_PLUGIN_ENGINE_SESSIONS set in the environment, sessions
 * that no test chose a handle for are real engine sessions, as a device
 * plugin's are (the demo runs this way). */
static ViSession engineSession(void) {
  ViSession vi = RECORDING_PLUGIN_DEFAULT_HANDLE;
  const char* wanted = getenv("RECORDING_PLUGIN_ENGINE_SESSIONS");
  if (wanted && wanted[0] && wanted[0] != '0') {
    if (Ivi_SpecificDriverNew("tovik", "Simulate=1", &vi) < 0) vi = RECORDING_PLUGIN_DEFAULT_HANDLE;
  }
  return vi;
}

ViSession rp_nextHandle(void) {
  static ViSession lastFresh = RECORDING_PLUGIN_FIRST_FRESH_HANDLE - 1;
  ViSession handle;
  pthread_mutex_lock(&gLock);
  handle = gNextHandle == RECORDING_PLUGIN_FRESH_HANDLES ? ++lastFresh : gNextHandle;
  pthread_mutex_unlock(&gLock);
  return handle == RECORDING_PLUGIN_DEFAULT_HANDLE ? engineSession() : handle;
}

static void controlReset(void) {
  pthread_mutex_lock(&gLock);
  gCallCount = 0;
  resetResults();
  gNextHandle = RECORDING_PLUGIN_DEFAULT_HANDLE;
  gLoadHook = 0;
  gLoadHookContext = 0;
  gCallHook = 0;
  gCallHookContext = 0;
  pthread_mutex_unlock(&gLock);
}

static int controlSetResult(const char* entry, ViStatus result) {
  int index = findEntry(entry);
  if (index < 0) return -1;
  pthread_mutex_lock(&gLock);
  if (!gResultsReady) resetResults();
  gResults[index] = result;
  pthread_mutex_unlock(&gLock);
  return 0;
}

static void controlSetNextHandle(ViSession handle) {
  pthread_mutex_lock(&gLock);
  gNextHandle = handle;
  pthread_mutex_unlock(&gLock);
}

static int controlCallCount(void) {
  int count;
  pthread_mutex_lock(&gLock);
  count = gCallCount;
  pthread_mutex_unlock(&gLock);
  return count;
}

static int controlGetCall(int index, RecordingPluginCall* call) {
  int found = 0;
  pthread_mutex_lock(&gLock);
  if (call && index >= 0 && index < gCallCount && index < RECORDING_PLUGIN_LOG_CAPACITY) {
    *call = gLog[index];
    found = 1;
  }
  pthread_mutex_unlock(&gLock);
  return found ? 0 : -1;
}

static int controlCountOf(const char* entry) {
  int index, count = 0;
  pthread_mutex_lock(&gLock);
  for (index = 0; index < gCallCount && index < RECORDING_PLUGIN_LOG_CAPACITY; ++index) {
    if (entry && strcmp(gLog[index].entry, entry) == 0) ++count;
  }
  pthread_mutex_unlock(&gLock);
  return count;
}

static void controlSetLoadHook(void (*hook)(void*), void* context) {
  pthread_mutex_lock(&gLock);
  gLoadHook = hook;
  gLoadHookContext = context;
  pthread_mutex_unlock(&gLock);
}

static void* controlCloseFunction(void) {
  void* closeFunction;
  pthread_mutex_lock(&gLock);
  closeFunction = gCloseFunction;
  pthread_mutex_unlock(&gLock);
  return closeFunction;
}

static void controlSetCallHook(void (*hook)(const char*, void*), void* context) {
  pthread_mutex_lock(&gLock);
  gCallHook = hook;
  gCallHookContext = context;
  pthread_mutex_unlock(&gLock);
}

static const RecordingPluginControl kControl = {
    controlReset,   controlSetResult, controlSetNextHandle, controlCallCount,    controlGetCall,
    controlCountOf, controlSetLoadHook, controlCloseFunction, controlSetCallHook};

RP_EXPORT const RecordingPluginControl* RecordingPlugin_control(void) { return &kControl; }
