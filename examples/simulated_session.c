/* The driver's main job on a simulated device: open a session, configure a
 * standard waveform, make a mistake and read the error back, close. Run it
 * through scripts/run-demo.sh, which puts the stand-in platform libraries on
 * the library path and switches the I/O trace on. */
#include <stdio.h>

#include "tovik/tovik.h"

static int check(const char* what, ViStatus status) {
  printf("%-40s status 0x%08X%s\n", what, (unsigned)status,
         status < 0 ? " (error)" : status > 0 ? " (warning)" : "");
  return status < 0;
}

int main(void) {
  ViSession vi = 0;
  ViChar message[256] = "";
  ViChar description[1024] = "";
  ViStatus pending = 0;
  int failures = 0;

  failures += check("tovik_InitWithOptions (simulated GE)",
                    tovik_InitWithOptions("", VI_FALSE, VI_TRUE,
                                          "Simulate=1,DriverSetup=Model:GE;Language:en", &vi));
  printf("session handle %u\n", (unsigned)vi);
  failures += check("tovik_ConfigureOutputMode", tovik_ConfigureOutputMode(vi, 1));
  failures += check("tovik_ConfigureStandardWaveform",
                    tovik_ConfigureStandardWaveform(vi, "0", 1, 2.0, 0.0, 1.0e6, 0.0));
  failures += check("tovik_ConfigureOutputEnabled", tovik_ConfigureOutputEnabled(vi, "0", VI_TRUE));
  failures += check("tovik_InitiateGeneration", tovik_InitiateGeneration(vi));

  /* A call on a handle that was never opened fails with a status of the
   * library; its description is the calling thread's pending error. */
  ViStatus bad = tovik_ConfigureFrequency(12345, "0", 1.0e3);
  check("tovik_ConfigureFrequency (bad handle)", bad);
  failures += bad != (ViStatus)0xBFFA1190u;
  ViStatus size = tovik_GetError(0, &pending, 0, NULL);
  tovik_GetError(0, &pending, (ViInt32)sizeof description, description);
  printf("pending error 0x%08X (%d bytes): %s\n", (unsigned)pending, (int)size, description);
  tovik_error_message(0, bad, message);
  printf("error message: %s\n", message);

  failures += check("tovik_AbortGeneration", tovik_AbortGeneration(vi));
  failures += check("tovik_close", tovik_close(vi));
  failures += tovik_close(vi) != (ViStatus)0xBFFA1190u; /* already closed */
  printf("%s\n", failures ? "demo FAILED" : "demo finished");
  return failures ? 1 : 0;
}
