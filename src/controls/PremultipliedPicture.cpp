#include "controls/PremultipliedPicture.h"

#include "controls/GdiPlusUtil.h"

std::uint32_t Premultiply(ArgbPixel pixel) {
  const std::uint32_t a = pixel >> 24;
  if (a == 255) return pixel;
  if (a == 0) return 0;
  auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (scale((pixel >> 16) & 0xFF) << 16) | (scale((pixel >> 8) & 0xFF) << 8) |
         scale(pixel & 0xFF);
}

void TPremultipliedPicture::Clear() {
  dc_.reset();
  bitmap_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool TPremultipliedPicture::Assign(Gdiplus::Bitmap& picture) {
  const int w = static_cast<int>(picture.GetWidth()), h = static_cast<int>(picture.GetHeight());
  if (w < 1 || h < 1) {
    Clear();
    return false;
  }
  if (!dc_ || w != width_ || h != height_) {
    Clear();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down, as GDI+ hands out its rows
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
    width_ = w;
    height_ = h;
  }
  const Gdiplus::Rect r(0, 0, w, h);
  Gdiplus::BitmapData src{};
  if (picture.LockBits(&r, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &src) != Gdiplus::Ok) {
    Clear();
    return false;
  }
  GdiFlush();  // GDI may still be writing to the section
  for (int y = 0; y < h; ++y) {
    const auto* in = reinterpret_cast<const ArgbPixel*>(static_cast<const char*>(src.Scan0) +
                                                        static_cast<std::ptrdiff_t>(y) * src.Stride);
    std::uint32_t* out = bits_ + static_cast<std::ptrdiff_t>(y) * w;
    for (int x = 0; x < w; ++x) out[x] = Premultiply(in[x]);
  }
  picture.UnlockBits(&src);
  return true;
}

void TPremultipliedPicture::Draw(HDC dc) const {
  if (!dc_) return;
  RECT box{};
  const int kind = GetClipBox(dc, &box);
  const Gdiplus::Rect part = VisiblePictureRect(width_, height_, kind, box);
  if (part.Width <= 0 || part.Height <= 0) return;
  const BLENDFUNCTION over{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, part.X, part.Y, part.Width, part.Height, dc_.get(), part.X, part.Y, part.Width,
                part.Height, over);
}
