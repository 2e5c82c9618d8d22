#include "arczip32/arczip32.h"

extern "C" ARC_API int ArcVersion(void) { return 1; }
