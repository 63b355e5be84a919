// One GDI+ session for the whole test program: the main form's monitor window draws, and
// the end-to-end tests save screenshots.
#include "support/GdiPlusEnvironment.h"
