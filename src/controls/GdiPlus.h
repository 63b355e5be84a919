// The one way to include GDI+: it needs objidl.h, which a lean windows.h (as some
// headers ask for) leaves out.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
