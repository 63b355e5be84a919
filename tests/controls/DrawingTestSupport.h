// Shared by the tests of the drawing controls: a GDI+ session per test, test pictures
// written as PNG files, a 32-bit off-screen surface to paint on, and pixel comparisons.
#pragma once
#include "controls/GdiPlus.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/ColorUnit.h"
#include "ui/DibSection.h"
#include "ui/Graphics.h"

namespace drawtest {

// GDI+ started for the length of one test; controls made in the test body are gone first.
class GdiPlusTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session_.Started()); }
  GdiPlusSession session_;
};

// A control whose repaint requests are counted.
template <class C>
class Counting : public C {
 public:
  using C::C;
  void Invalidate() override {
    ++invalidations;
    C::Invalidate();
  }
  int invalidations = 0;
};

struct Argb {
  int a, r, g, b;
};

inline Argb Split(std::uint32_t v) {
  return {static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF),
          static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
}

// True when every channel of `actual` is within `tol` of `expected` (alpha too unless
// `withAlpha` is false).
inline ::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tol,
                                       bool withAlpha = true) {
  const Argb a = Split(actual), e = Split(expected);
  const bool ok = std::abs(a.r - e.r) <= tol && std::abs(a.g - e.g) <= tol &&
                  std::abs(a.b - e.b) <= tol && (!withAlpha || std::abs(a.a - e.a) <= tol);
  if (ok) return ::testing::AssertionSuccess();
  char buf[96];
  snprintf(buf, sizeof buf, "0x%08X is not within %d of 0x%08X", static_cast<unsigned>(actual), tol,
           static_cast<unsigned>(expected));
  return ::testing::AssertionFailure() << buf;
}

inline std::uint32_t PixelOf(Gdiplus::Bitmap* bmp, int x, int y) {
  Gdiplus::Color c;
  bmp->GetPixel(x, y, &c);
  return c.GetValue();
}

// A picture filled with `argb`, with optional rectangles of other colours painted over it.
struct Patch {
  int x, y, w, h;
  std::uint32_t argb;
};
inline std::unique_ptr<Gdiplus::Bitmap> MakePicture(int w, int h, std::uint32_t argb,
                                                    const std::vector<Patch>& patches = {}) {
  auto bmp = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppARGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint32_t c = argb;
      for (const Patch& p : patches)
        if (x >= p.x && x < p.x + p.w && y >= p.y && y < p.y + p.h) c = p.argb;
      bmp->SetPixel(x, y, Gdiplus::Color(c));
    }
  return bmp;
}

inline bool SavePng(Gdiplus::Bitmap& bmp, const std::string& path) {
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  if (size == 0) return false;
  std::vector<std::uint8_t> buf(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buf.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  std::wstring wide(path.begin(), path.end());
  for (UINT i = 0; i < count; ++i)
    if (std::wstring(codecs[i].MimeType) == L"image/png")
      return bmp.Save(wide.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
  return false;
}

inline std::string WritePng(const std::string& path, int w, int h, std::uint32_t argb,
                            const std::vector<Patch>& patches = {}) {
  auto bmp = MakePicture(w, h, argb, patches);
  EXPECT_TRUE(SavePng(*bmp, path)) << path;
  return path;
}

// A 32-bit top-down DIB section with a memory DC, filled with one colour: what a parent
// has painted beneath a windowless control.
class Surface {
 public:
  Surface(int w, int h, std::uint32_t rgb) : dib_(w, h) {
    for (int i = 0; i < w * h; ++i) dib_.Bits()[i] = 0xFF000000u | (rgb & 0xFFFFFFu);
  }

  HDC Dc() const { return dib_.Dc(); }
  // 0xFFRRGGBB: the alpha byte of a GDI surface carries no meaning.
  std::uint32_t Pixel(int x, int y) const {
    GdiFlush();
    return 0xFF000000u | (dib_.Row(y)[x] & 0xFFFFFFu);
  }
  int Width() const { return dib_.Width(); }
  int Height() const { return dib_.Height(); }
  // How many pixels (as Pixel gives them) pass the test.
  int Count(const std::function<bool(std::uint32_t)>& test) const {
    int n = 0;
    for (int y = 0; y < Height(); ++y)
      for (int x = 0; x < Width(); ++x) n += test(Pixel(x, y)) ? 1 : 0;
    return n;
  }

 private:
  TDibSection dib_;
};

// Paints `control` on `surface` as its parent would, with the control's origin at (0, 0).
template <class C>
void PaintOn(C& control, Surface& surface) {
  TCanvas canvas(surface.Dc());
  control.Paint(canvas);
}

}  // namespace drawtest
