/* The public header compiles on its own as strict C99. */
#include "tovik/tovik.h"

ViStatus tovikHeaderCheck(ViSession vi) { return tovik_reset(vi); }
