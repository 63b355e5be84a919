#include "ui/DibSection.h"

bool TDibSection::Resize(int Width, int Height) {
  if (dc_ && Width == width_ && Height == height_) return true;
  Clear();
  if (Width < 1 || Height < 1) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = Width;
  bi.bmiHeader.biHeight = -Height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueHBitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemDC dc(CreateCompatibleDC(nullptr));
  if (!bitmap || !bits || !dc || !SelectObject(dc.get(), bitmap.get())) return false;
  bitmap_ = std::move(bitmap);
  dc_ = std::move(dc);
  bits_ = static_cast<std::uint32_t*>(bits);
  width_ = Width;
  height_ = Height;
  return true;
}

void TDibSection::Clear() {
  dc_.reset();  // first, so that the bitmap is no longer selected anywhere
  bitmap_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}
