// The module's exported entry points.
#include "frame/module.h"

KEZ_FRAME_ENTRY_POINTS()
