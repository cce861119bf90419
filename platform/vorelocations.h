/* The directory relocation library libvorelocations.so.0, optional: it tells
 * where an installation moved its GNU-style directories ("libdir",
 * "datadir", ...). The driver loads it once, at load time, and resolves this
 * entry point by name. */
#ifndef VORELOCATIONS_H
#define VORELOCATIONS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Writes the relocated directory `name` into `buffer` (at most `size` bytes,
 * zero-terminated). Returns more than 0 when it did, 0 when the directory is
 * not relocated, below 0 on failure. */
__attribute__((visibility("default"))) int32_t get_relocated_dir(const char* name, char* buffer,
                                                                 int32_t size);

#ifdef __cplusplus
}
#endif

#endif
