#include "support/IconPixels.h"

#include "util/ScopedHandles.h"

namespace testsupport {

IconPixels ReadIconPixels(HICON icon) {
  IconPixels img;
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return img;
  UniqueHBitmap color(info.hbmColor), mask(info.hbmMask);
  BITMAP bm{};
  if (!color || !GetObjectA(color.get(), sizeof bm, &bm)) return img;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  img.Pixels.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
  ScopedGetDC screen(nullptr);
  if (GetDIBits(screen.get(), color.get(), 0, static_cast<UINT>(bm.bmHeight), img.Pixels.data(),
                &bi, DIB_RGB_COLORS)) {
    img.Width = bm.bmWidth;
    img.Height = bm.bmHeight;
  } else {
    img.Pixels.clear();
  }
  return img;
}

}  // namespace testsupport
