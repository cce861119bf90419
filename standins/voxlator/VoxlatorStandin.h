/* Test hooks of the external translator manager stand-in (libvoxlator.so.1).
 * A test that reads them keeps the library loaded itself (dlopen), since
 * each translation session unloads it. */
#ifndef VOXLATOR_STANDIN_H
#define VOXLATOR_STANDIN_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VoxlatorStandinCounts {
  int sessionRequests;
  int sessionsCreated;
  int sessionsDestroyed;
  int translatorsCreated;
  int translatorsDestroyed;
} VoxlatorStandinCounts;

typedef void (*VoxlatorStandinCountsFn)(VoxlatorStandinCounts* counts);
#define VOXLATOR_STANDIN_COUNTS "voxlator_standin_counts"

#ifdef __cplusplus
}
#endif

#endif
