/* Stand-in for the directory relocation library libvorelocations.so.0.
 *
 * get_relocated_dir(name, buffer, size) answers from the environment
 * variable VORELOCATIONS_STANDIN, a list "name=value;name=value":
 *   - a listed name gets its value in the buffer (cut to size - 1 bytes)
 *     and the result is the value's length, or 1 for an empty value;
 *   - a listed name whose value is "!" fails with -1;
 *   - any other name is not relocated: 0.
 * When VORELOCATIONS_STANDIN_LOG names a file, every call appends the
 * asked name and a line feed to it, so a test can count the calls. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "vorelocations.h"

static void logCall(const char* name) {
  const char* path = getenv("VORELOCATIONS_STANDIN_LOG");
  FILE* log = path ? fopen(path, "a") : NULL;
  if (!log) return;
  fprintf(log, "%s\n", name ? name : "(null)");
  fclose(log);
}

int32_t get_relocated_dir(const char* name, char* buffer, int32_t size) {
  logCall(name);
  const char* list = getenv("VORELOCATIONS_STANDIN");
  if (!name || !buffer || size <= 0 || !list) return 0;
  const size_t nameLength = strlen(name);
  for (const char* entry = list; *entry;) {
    const char* end = strchr(entry, ';');
    if (!end) end = entry + strlen(entry);
    const char* equals = memchr(entry, '=', (size_t)(end - entry));
    if (equals && (size_t)(equals - entry) == nameLength && !strncmp(entry, name, nameLength)) {
      const char* value = equals + 1;
      size_t length = (size_t)(end - value);
      if (length == 1 && value[0] == '!') return -1;
      if (length > (size_t)size - 1) length = (size_t)size - 1;
      memcpy(buffer, value, length);
      buffer[length] = '\0';
      return length ? (int32_t)length : 1;
    }
    entry = *end ? end + 1 : end;
  }
  return 0;
}
