// libtovik.so.1: the exported C API lives in src/api; every subsystem is
// linked in whole from its static library.
