// GDI+ runs once for the whole test program, as in the real one.
#include "support/GdiPlusEnvironment.h"
