// Colour conversion shared by the drawing controls, and the process-wide GDI+ session.
#pragma once
#include <windows.h>

#include <cstdint>

#include "ui/Graphics.h"  // TColor

// GDI+ ARGB (0xAARRGGBB) from a 0x00BBGGRR colour and an alpha of 0..255 (low 8 bits used).
constexpr std::uint32_t ToARGB(TColor color, int alpha) {
  return (static_cast<std::uint32_t>(alpha & 0xFF) << 24) | ((color & 0xFFu) << 16) |
         (color & 0xFF00u) | ((color >> 16) & 0xFFu);
}

// GDI+ for the whole process: started once before any form exists, shut down at the end.
// Create exactly one, in the program entry (or a test's main) before any drawing control.
class GdiPlusSession {
 public:
  GdiPlusSession();
  ~GdiPlusSession();
  GdiPlusSession(const GdiPlusSession&) = delete;
  GdiPlusSession& operator=(const GdiPlusSession&) = delete;

  bool Started() const { return started_; }
  // True while some session is alive in this process.
  static bool Active();

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};
