/* A PAL-family plugin for the benchmarks: one entry that returns at once,
 * one that works for about 5 microseconds, and opening and closing; nothing
 * recorded. */
#include <time.h>

#include "tovik/tovik_vitypes.h"

#define BENCH_EXPORT __attribute__((visibility("default")))

BENCH_EXPORT ViStatus tovikPAL_SetCloseFunctionPointer(ViAddr closeFunction) {
  (void)closeFunction;
  return 0;
}

BENCH_EXPORT ViStatus tovikPAL_ConfigureFrequency(ViSession vi, ViConstString channelName,
                                                   ViReal64 frequency) {
  (void)vi;
  (void)channelName;
  (void)frequency;
  return 0;
}

static long long nowNanoseconds(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

BENCH_EXPORT ViStatus tovikPAL_ConfigureAmplitude(ViSession vi, ViConstString channelName,
                                                   ViReal64 amplitude) {
  (void)vi;
  (void)channelName;
  (void)amplitude;
  const long long end = nowNanoseconds() + 5000;
  while (nowNanoseconds() < end) {
  }
  return 0;
}

/* Opening and closing, for the benchmarks that open sessions. */
BENCH_EXPORT ViStatus tovikPAL_InitWithOptions(ViConstString resourceName, ViBoolean idQuery,
                                                ViBoolean resetDevice, ViConstString optionString,
                                                ViSession* vi) {
  (void)resourceName;
  (void)idQuery;
  (void)resetDevice;
  (void)optionString;
  *vi = 0x4000;
  return 0;
}

BENCH_EXPORT ViStatus tovikPAL_close(ViSession vi) {
  (void)vi;
  return 0;
}
