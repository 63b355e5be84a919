#include "controls/ColorUnit.h"

#include "controls/GdiPlus.h"

namespace {
int g_sessions = 0;
}

GdiPlusSession::GdiPlusSession() {
  // Version 1, no debug callback, GDI+'s own background thread and codecs kept.
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  if (started_) ++g_sessions;
}

GdiPlusSession::~GdiPlusSession() {
  if (started_) {
    Gdiplus::GdiplusShutdown(token_);
    --g_sessions;
  }
}

bool GdiPlusSession::Active() { return g_sessions > 0; }
