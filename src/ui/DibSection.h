// A 32-bit top-down DIB section selected into a memory DC of its own: an off-screen surface
// that GDI draws on and whose pixels (0xAARRGGBB, top row first) can be read and written.
#pragma once
#include <windows.h>

#include <cstdint>

#include "util/ScopedHandles.h"

class TDibSection {
 public:
  TDibSection() = default;
  TDibSection(int Width, int Height) { Resize(Width, Height); }

  // A Width x Height section; one of that size already held is kept as it is, pixels and
  // all. False, and empty, for a side below 1 or when GDI refuses.
  bool Resize(int Width, int Height);
  void Clear();

  bool Empty() const { return !dc_; }
  HDC Dc() const { return dc_.get(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Width() pixels per row, no padding; null when empty. Call GdiFlush before reading
  // what GDI drew.
  std::uint32_t* Bits() const { return bits_; }
  std::uint32_t* Row(int Y) const { return bits_ + static_cast<std::ptrdiff_t>(Y) * width_; }

 private:
  UniqueHBitmap bitmap_;  // declared before its DC, so the DC goes first
  UniqueMemDC dc_;
  std::uint32_t* bits_ = nullptr;
  int width_ = 0, height_ = 0;
};
