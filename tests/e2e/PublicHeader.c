/* Every public header together compiles as strict C99 (the install test
 * compiles each alone from the installed prefix). */
#include <tovik/tovik_internal.h>

ViStatus tovikHeaderCheck(ViSession vi) { return tovik_reset(vi); }
