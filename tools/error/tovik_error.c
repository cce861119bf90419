/* tovik-error: describes a status code in the words of the driver itself.
 *
 *   tovik-error [--language en|fr|de|jp] CODE
 *   tovik-error --version
 *
 * CODE is decimal (-1074130544) or hexadecimal with 0x (0xBFFA1190). The
 * description is the library's own translation, in full: the code becomes
 * the calling thread's pending error (recorded with the IVI engine, as a
 * failed call records it) and tovik_GetError on session 0 describes it,
 * with no 256-byte limit. The language of session 0 follows the most recent
 * opening call's DriverSetup "Language" tag, so the tool first opens (and
 * closes) a simulated session in the chosen language; when no simulated
 * device is installed that open fails, but it has set the language all the
 * same, and the failure it leaves pending is replaced by the code.
 *
 * Exit status: 0 a code of this driver was described, 1 the code is not one
 * of the driver's (the library's answer is still printed), 2 a usage error,
 * 3 the library could not describe it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "ivi_engine.h"
#include "status/StatusCodeNames.h"
#include "tovik/tovik.h"

enum { kDescribed = 0, kNotOurs = 1, kUsage = 2, kLibraryFailed = 3 };

static const char* const kLanguages[] = {"en", "fr", "de", "jp"};

static int usage(FILE* out, const char* problem) {
  if (problem) fprintf(out, "tovik-error: %s\n", problem);
  fputs("usage: tovik-error [--language en|fr|de|jp] CODE\n"
        "       tovik-error --version\n"
        "Describes a status code of the tovik driver. CODE is decimal (-1074130544)\n"
        "or hexadecimal with 0x (0xBFFA1190); the language is English by default.\n",
        out);
  return problem ? kUsage : kDescribed;
}

/* A signed 32-bit status: decimal with an optional sign, or 0x and hex
 * digits for the 32-bit pattern. */
static int parseCode(const char* text, ViStatus* code) {
  const int hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text + (text[0] == '-' || text[0] == '+');
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (*digits == '\0' || strspn(digits, allowed) != strlen(digits)) return 0;
  errno = 0;
  if (hex) {
    const unsigned long long value = strtoull(digits, NULL, 16);
    if (errno == ERANGE || value > 0xFFFFFFFFull) return 0;
    *code = (ViStatus)(int32_t)(uint32_t)value;
  } else {
    const long long value = strtoll(text, NULL, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return 0;
    *code = (ViStatus)value;
  }
  return 1;
}

static const char* symbolOf(ViStatus code) {
  for (size_t i = 0; i < sizeof kTovikStatusCodeNames / sizeof kTovikStatusCodeNames[0]; ++i)
    if (kTovikStatusCodeNames[i].code == code) return kTovikStatusCodeNames[i].symbol;
  return NULL;
}

/* The version of the library actually loaded, from its file name
 * (libtovik.so.MAJOR.MINOR.PATCH), or the headers' when that is not known. */
static int printVersion(void) {
  Dl_info info;
  const char* version = TOVIK_VERSION_STRING;
  char* path = NULL;
  if (dladdr((void*)&tovik_init, &info) && info.dli_fname) path = realpath(info.dli_fname, NULL);
  const char* file = path ? strrchr(path, '/') : NULL;
  if (file && strncmp(file, "/libtovik.so.", 13) == 0 && strchr(file + 13, '.')) version = file + 13;
  printf("libtovik %s%s%s%s\n", version, path ? " (" : "", path ? path : "", path ? ")" : "");
  free(path);
  return kDescribed;
}

/* Makes `language` the language of session 0 (see the top of the file). */
static void chooseLanguage(const char* language) {
  char options[64];
  snprintf(options, sizeof options, "Simulate=1, DriverSetup=Language:%s", language);
  ViSession vi = 0;
  if (tovik_InitWithOptions("tovik-error", VI_FALSE, VI_FALSE, options, &vi) >= 0) tovik_close(vi);
}

static int describe(ViStatus code, const char* language) {
  const char* symbol = symbolOf(code);
  printf("%d (0x%08X)", (int)code, (unsigned)code);
  if (code == VI_SUCCESS) {
    printf(": success, no error\n");
    return kDescribed;
  }
  printf(" %s\n", symbol ? symbol : "is not a status code of the tovik driver");

  chooseLanguage(language);
  ViStatus status = Ivi_SetErrorInfo(0, VI_TRUE, code, VI_SUCCESS, NULL);
  ViStatus pending = 0;
  ViInt32 size = status < 0 ? status : tovik_GetError(0, &pending, 0, NULL);
  char* text = size > 0 ? malloc((size_t)size) : NULL;
  if (text) status = tovik_GetError(0, &pending, size, text);
  if (size <= 0 || !text || status < 0) {
    fprintf(stderr, "tovik-error: the library could not describe the code (status %d)\n",
            (int)(size <= 0 ? size : status));
    free(text);
    return kLibraryFailed;
  }
  printf("%s\n", text);
  free(text);
  return symbol ? kDescribed : kNotOurs;
}

int main(int argc, char** argv) {
  const char* language = "en";
  const char* codeText = NULL;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) return usage(stdout, NULL);
    if (strcmp(arg, "--version") == 0) return printVersion();
    const char* value = NULL;
    if (strncmp(arg, "--language=", 11) == 0) {
      value = arg + 11;
    } else if (strcmp(arg, "--language") == 0 || strcmp(arg, "-l") == 0) {
      value = ++i < argc ? argv[i] : "";
    }
    if (value) {
      language = NULL;
      for (size_t l = 0; l < sizeof kLanguages / sizeof kLanguages[0]; ++l)
        if (strcasecmp(value, kLanguages[l]) == 0) language = kLanguages[l];
      if (!language) return usage(stderr, "unknown language (use en, fr, de or jp)");
      continue;
    }
    if (codeText) return usage(stderr, "one CODE only");
    if (arg[0] == '-' && (arg[1] < '0' || arg[1] > '9')) return usage(stderr, "unknown option");
    codeText = arg;
  }
  if (!codeText) return usage(stderr, "no CODE given");
  ViStatus code = 0;
  if (!parseCode(codeText, &code))
    return usage(stderr, "CODE must be a signed 32-bit decimal number, or 0x and a 32-bit hex pattern");
  return describe(code, language);
}
