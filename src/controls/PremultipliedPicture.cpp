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

bool TPremultipliedPicture::Assign(Gdiplus::Bitmap& picture) {
  const int w = static_cast<int>(picture.GetWidth()), h = static_cast<int>(picture.GetHeight());
  const Gdiplus::Rect r(0, 0, w, h);
  Gdiplus::BitmapData src{};
  if (!dib_.Resize(w, h) ||
      picture.LockBits(&r, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &src) != Gdiplus::Ok) {
    dib_.Clear();
    return false;
  }
  GdiFlush();  // GDI may still be writing to the section
  for (int y = 0; y < h; ++y) {
    const auto* in = reinterpret_cast<const ArgbPixel*>(static_cast<const char*>(src.Scan0) +
                                                        static_cast<std::ptrdiff_t>(y) * src.Stride);
    std::uint32_t* out = dib_.Row(y);
    for (int x = 0; x < w; ++x) out[x] = Premultiply(in[x]);
  }
  picture.UnlockBits(&src);
  return true;
}

void TPremultipliedPicture::Draw(HDC dc) const {
  if (dib_.Empty()) return;
  const Gdiplus::Rect part = VisiblePictureRect(dc, dib_.Width(), dib_.Height());
  if (part.Width <= 0 || part.Height <= 0) return;
  const BLENDFUNCTION over{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  GdiAlphaBlend(dc, part.X, part.Y, part.Width, part.Height, dib_.Dc(), part.X, part.Y, part.Width,
                part.Height, over);
}
