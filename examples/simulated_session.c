/* A first program with the tovik driver, on a simulated two-channel
 * generator: open a session, play a 1 kHz sine and read the settings back,
 * play an arbitrary waveform in a sequence, make one mistake on purpose and
 * read its description, close. Plain C against the public header only:
 *
 *   cc simulated_session.c $(pkg-config --cflags --libs tovik)
 *
 * It needs a simulated device at run time: the simulator's folder
 * (lib/tovik/simulator of an install) on the library path. With
 * TOVIK_SIM_CAPTURE_DIR naming a folder, the simulator writes what each
 * generation outputs there as CSV; scripts/run-demo.sh plots it. Exit
 * status 0 when every step behaved as expected. */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <tovik/tovik.h>

static int failures = 0;

/* Prints a call's status in words; counts the unexpected ones. */
static ViStatus step(const char* call, ViStatus status, ViStatus expected) {
  const char* word = status == 0 ? "success" : status < 0 ? "error" : "warning";
  printf("   %-58s -> %d (%s%s)\n", call, (int)status, word,
         status == expected ? "" : ", NOT EXPECTED");
  failures += status != expected;
  return status;
}
#define CALL(expression) step(#expression, (expression), VI_SUCCESS)

static double real(ViSession vi, const char* channel, ViAttr attribute) {
  ViReal64 value = NAN;
  failures += tovik_GetAttributeViReal64(vi, channel, attribute, &value) != VI_SUCCESS;
  return value;
}

static long integer(ViSession vi, const char* channel, ViAttr attribute) {
  ViInt32 value = -1;
  failures += tovik_GetAttributeViInt32(vi, channel, attribute, &value) != VI_SUCCESS;
  return (long)value;
}

static const char* yesNo(ViSession vi, const char* channel, ViAttr attribute) {
  ViBoolean value = VI_FALSE;
  failures += tovik_GetAttributeViBoolean(vi, channel, attribute, &value) != VI_SUCCESS;
  return value ? "on" : "off";
}

static const char* stateName(ViInt32 state) {
  switch (state) {
    case TOVIK_VAL_HARDWARE_STATE_IDLE: return "idle";
    case TOVIK_VAL_HARDWARE_STATE_WAITING_FOR_START_TRIGGER: return "waiting for its trigger";
    case TOVIK_VAL_HARDWARE_STATE_RUNNING: return "running";
    case TOVIK_VAL_HARDWARE_STATE_DONE: return "done";
    default: return "unknown";
  }
}

static void showState(ViSession vi) {
  ViInt32 state = -1;
  CALL(tovik_GetHardwareState(vi, &state));
  printf("      the generator is %s\n", stateName(state));
}

/* The full description of the last error on `vi`: ask for the size first. */
static void showError(ViSession vi) {
  ViStatus code = 0;
  const ViInt32 size = tovik_GetError(vi, &code, 0, NULL);
  char* text = size > 0 ? malloc((size_t)size) : NULL;
  if (text && tovik_GetError(vi, &code, size, text) == VI_SUCCESS) {
    printf("      tovik_GetError: error %d (0x%08X), described as:\n", (int)code, (unsigned)code);
    printf("      \"%s\"\n", text);
  } else {
    printf("      tovik_GetError could not describe it (%d)\n", (int)size);
    ++failures;
  }
  free(text);
}

int main(void) {
  ViSession vi = 0;
  ViChar text[256] = "", firmware[256] = "";

  printf("The tovik driver (C API %s) on a simulated generator: model GH, two channels.\n\n",
         TOVIK_VERSION_STRING);

  printf("1. Open a session. \"Simulate=1\" asks for a simulated device and the\n"
         "   DriverSetup tag \"Model\" names which one.\n");
  if (CALL(tovik_InitWithOptions("Dev1", VI_TRUE, VI_TRUE, "Simulate=1, DriverSetup=Model:GH", &vi)) <
      0) {
    printf("   No simulated device: put the simulator's folder on LD_LIBRARY_PATH.\n");
    showError(0);
    return 1;
  }
  printf("      session handle %u\n", (unsigned)vi);
  CALL(tovik_revision_query(vi, text, firmware));
  printf("      driver revision \"%s\", firmware \"%s\"\n", text, firmware);
  CALL(tovik_GetAttributeViString(vi, "", IVI_ATTR_INSTRUMENT_MODEL, sizeof text, text));
  printf("      instrument model \"%s\"\n", text);

  printf("\n2. A 1 kHz sine of 2 V peak to peak on channel \"0\".\n");
  CALL(tovik_ConfigureOutputMode(vi, IVIFGEN_VAL_OUTPUT_FUNC));
  CALL(tovik_ConfigureStandardWaveform(vi, "0", IVIFGEN_VAL_WFM_SINE, 2.0, 0.0, 1000.0, 0.0));
  CALL(tovik_ConfigureOutputEnabled(vi, "0", VI_TRUE));
  CALL(tovik_ConfigureOutputEnabled(vi, "1", VI_FALSE));
  CALL(tovik_InitiateGeneration(vi));
  printf("      read back from channel \"0\": waveform %ld (sine is %d), frequency %g Hz,\n"
         "      amplitude %g V, offset %g V, output %s\n",
         integer(vi, "0", IVIFGEN_ATTR_FUNC_WAVEFORM), IVIFGEN_VAL_WFM_SINE,
         real(vi, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), real(vi, "0", IVIFGEN_ATTR_FUNC_AMPLITUDE),
         real(vi, "0", IVIFGEN_ATTR_FUNC_DC_OFFSET), yesNo(vi, "0", IVIFGEN_ATTR_OUTPUT_ENABLED));
  showState(vi);
  CALL(tovik_AbortGeneration(vi));

  printf("\n3. An arbitrary waveform played in a sequence on channel \"1\".\n");
  ViInt32 maxWaveforms = 0, quantum = 1, minSize = 0, maxSize = 0;
  CALL(tovik_QueryArbWfmCapabilities(vi, &maxWaveforms, &quantum, &minSize, &maxSize));
  printf("      up to %d waveforms of %d to %d samples, in steps of %d\n", (int)maxWaveforms,
         (int)minSize, (int)maxSize, (int)quantum);
  /* A ramp and a decaying burst, sized to the generator's quantum. */
  enum { kRamp = 200, kBurst = 400 };
  static ViReal64 ramp[kRamp], burst[kBurst];
  for (int i = 0; i < kRamp; ++i) ramp[i] = -1.0 + 2.0 * i / (kRamp - 1);
  for (int i = 0; i < kBurst; ++i) burst[i] = exp(-i / 100.0) * sin(2 * 3.14159265358979 * i / 50.0);
  const ViInt32 rampSize = kRamp / quantum * quantum, burstSize = kBurst / quantum * quantum;
  ViInt32 waveforms[2] = {0, 0}, loops[2] = {2, 1}, sequence = 0;
  CALL(tovik_CreateWaveformF64(vi, "1", rampSize, ramp, &waveforms[0]));
  CALL(tovik_CreateWaveformF64(vi, "1", burstSize, burst, &waveforms[1]));
  printf("      waveform handles %d (a ramp, %d samples) and %d (a burst, %d samples)\n",
         (int)waveforms[0], (int)rampSize, (int)waveforms[1], (int)burstSize);
  CALL(tovik_CreateArbSequence(vi, 2, waveforms, loops, &sequence));
  printf("      sequence handle %d: the ramp twice, then the burst once\n", (int)sequence);
  CALL(tovik_ConfigureOutputMode(vi, IVIFGEN_VAL_OUTPUT_SEQ));
  CALL(tovik_ConfigureSampleRate(vi, 1.0e6));
  CALL(tovik_ConfigureArbSequence(vi, "1", sequence, 1.5, 0.0));
  CALL(tovik_ConfigureOutputEnabled(vi, "0", VI_FALSE));
  CALL(tovik_ConfigureOutputEnabled(vi, "1", VI_TRUE));
  CALL(tovik_InitiateGeneration(vi));
  printf("      read back: output mode %ld (sequence is %d), sequence handle %ld on channel \"1\",\n"
         "      gain %g, sample rate %g S/s, free waveform memory %ld samples\n",
         integer(vi, "", IVIFGEN_ATTR_OUTPUT_MODE), IVIFGEN_VAL_OUTPUT_SEQ,
         integer(vi, "1", IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE), real(vi, "1", IVIFGEN_ATTR_ARB_GAIN),
         real(vi, "", IVIFGEN_ATTR_ARB_SAMPLE_RATE), integer(vi, "", TOVIK_ATTR_FREE_MEMORY));
  showState(vi);
  CALL(tovik_AbortGeneration(vi));

  printf("\n4. A mistake on purpose: a negative frequency. The call fails with a\n"
         "   status code, and tovik_GetError describes it.\n");
  step("tovik_ConfigureFrequency(vi, \"0\", -5.0)", tovik_ConfigureFrequency(vi, "0", -5.0),
       IVI_ERROR_INVALID_VALUE);
  showError(vi);
  printf("      the setting did not change: frequency %g Hz\n",
         real(vi, "0", IVIFGEN_ATTR_FUNC_FREQUENCY));

  printf("\n5. Close the session; the handle is invalid afterwards.\n");
  CALL(tovik_close(vi));
  step("tovik_close(vi) again", tovik_close(vi), TOVIK_ERROR_INVALID_SESSION_HANDLE);

  printf("\n%s\n", failures ? "The demo FAILED: a step did not behave as expected."
                            : "The demo finished: every step behaved as expected.");
  return failures ? 1 : 0;
}
