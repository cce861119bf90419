// The exported close function whose address every plugin receives.
#pragma once

#include "tovik/tovik_vitypes.h"

extern "C" ViStatus tovik_close(ViSession vi);
