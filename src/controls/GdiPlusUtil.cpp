#include "controls/GdiPlusUtil.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "util/AnsiText.h"

std::unique_ptr<Gdiplus::Bitmap> LoadPictureFile(const std::string& path) {
  const std::wstring wide = AnsiToWide(path);
  return std::unique_ptr<Gdiplus::Bitmap>(new Gdiplus::Bitmap(wide.c_str(), FALSE));
}

namespace {

std::unique_ptr<Gdiplus::Font> FontOfFamily(const Gdiplus::FontFamily& family, float points, int style) {
  if (family.GetLastStatus() != Gdiplus::Ok) return nullptr;
  std::unique_ptr<Gdiplus::Font> font(new Gdiplus::Font(&family, points, style, Gdiplus::UnitPoint));
  if (!font || font->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return font;
}

// The name of GDI+'s generic sans-serif family. Asked through the flat API because the
// C++ wrapper caches the family in a global that outlives a GDI+ shutdown.
std::wstring GenericSansSerifName() {
  Gdiplus::GpFontFamily* family = nullptr;
  if (Gdiplus::DllExports::GdipGetGenericFontFamilySansSerif(&family) != Gdiplus::Ok || !family)
    return {};
  WCHAR name[LF_FACESIZE] = {};
  Gdiplus::DllExports::GdipGetFamilyName(family, name, LANG_NEUTRAL);
  Gdiplus::DllExports::GdipDeleteFontFamily(family);
  return name;
}

}  // namespace

std::unique_ptr<Gdiplus::Font> NewGdiPlusFont(const std::string& face, float points, int style) {
  const std::wstring wide = AnsiToWide(face);
  if (auto font = FontOfFamily(Gdiplus::FontFamily(wide.c_str()), points, style)) return font;
  const std::wstring generic = GenericSansSerifName();
  if (!generic.empty())
    if (auto font = FontOfFamily(Gdiplus::FontFamily(generic.c_str()), points, style)) return font;
  Gdiplus::InstalledFontCollection installed;
  const INT count = installed.GetFamilyCount();
  if (count <= 0) return nullptr;
  std::vector<Gdiplus::FontFamily> families(static_cast<size_t>(count));
  INT found = 0;
  installed.GetFamilies(count, families.data(), &found);
  for (INT i = 0; i < found; ++i)
    if (auto font = FontOfFamily(families[static_cast<size_t>(i)], points, style)) return font;
  return nullptr;
}

bool PictureUsable(Gdiplus::Bitmap* bmp) {
  return bmp && bmp->GetLastStatus() == Gdiplus::Ok && bmp->GetWidth() > 0 && bmp->GetHeight() > 0;
}

std::unique_ptr<Gdiplus::Bitmap> NewTransparentBitmap(int width, int height) {
  if (width < 1 || height < 1) return nullptr;
  std::unique_ptr<Gdiplus::Bitmap> bmp(new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB));
  if (!bmp || bmp->GetLastStatus() != Gdiplus::Ok) return nullptr;
  // GDI+ does not promise zeroed memory for a bitmap it allocates.
  Gdiplus::Graphics g(bmp.get());
  g.Clear(Gdiplus::Color(0, 0, 0, 0));
  return bmp;
}

void CopyPixels(Gdiplus::Bitmap& from, Gdiplus::Bitmap& to) {
  const Gdiplus::Rect r(0, 0, static_cast<INT>(std::min(from.GetWidth(), to.GetWidth())),
                        static_cast<INT>(std::min(from.GetHeight(), to.GetHeight())));
  Gdiplus::BitmapData src{}, dst{};
  if (from.LockBits(&r, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &src) == Gdiplus::Ok) {
    if (to.LockBits(&r, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &dst) == Gdiplus::Ok) {
      for (INT y = 0; y < r.Height; ++y)
        std::memcpy(static_cast<char*>(dst.Scan0) + static_cast<std::ptrdiff_t>(y) * dst.Stride,
                    static_cast<const char*>(src.Scan0) + static_cast<std::ptrdiff_t>(y) * src.Stride,
                    static_cast<std::size_t>(r.Width) * 4);
      to.UnlockBits(&dst);
      from.UnlockBits(&src);
      return;
    }
    from.UnlockBits(&src);
  }
  Gdiplus::Graphics g(&to);
  g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  g.DrawImage(&from, r, r.X, r.Y, r.Width, r.Height, Gdiplus::UnitPixel);
}

void DrawPictureWithAlpha(Gdiplus::Graphics& g, Gdiplus::Image* image, const Gdiplus::RectF& dst,
                          const Gdiplus::RectF& src, int alpha) {
  if (!image) return;
  if (alpha == 255) {
    g.DrawImage(image, dst, src.X, src.Y, src.Width, src.Height, Gdiplus::UnitPixel);
    return;
  }
  Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0},
                             {0, 1, 0, 0, 0},
                             {0, 0, 1, 0, 0},
                             {0, 0, 0, static_cast<Gdiplus::REAL>(alpha) / 255.0f, 0},
                             {0, 0, 0, 0, 1}}};
  Gdiplus::ImageAttributes attrs;
  attrs.SetColorMatrix(&m, Gdiplus::ColorMatrixFlagsDefault, Gdiplus::ColorAdjustTypeBitmap);
  g.DrawImage(image, dst, src.X, src.Y, src.Width, src.Height, Gdiplus::UnitPixel, &attrs);
}

Gdiplus::Rect VisiblePictureRect(int width, int height, int clipKind, const RECT& clipBox) {
  const Gdiplus::Rect whole(0, 0, std::max(0, width), std::max(0, height));
  if (clipKind == ERROR) return whole;
  if (clipKind == NULLREGION) return Gdiplus::Rect();
  const int left = std::max(0, static_cast<int>(clipBox.left));
  const int top = std::max(0, static_cast<int>(clipBox.top));
  const int right = std::min(whole.Width, static_cast<int>(clipBox.right));
  const int bottom = std::min(whole.Height, static_cast<int>(clipBox.bottom));
  if (right <= left || bottom <= top) return Gdiplus::Rect();
  return Gdiplus::Rect(left, top, right - left, bottom - top);
}

Gdiplus::Rect VisiblePictureRect(HDC dc, int width, int height) {
  RECT box{};
  const int kind = GetClipBox(dc, &box);
  return VisiblePictureRect(width, height, kind, box);
}

void DrawPictureClipped(HDC dc, Gdiplus::Bitmap& picture) {
  const Gdiplus::Rect part = VisiblePictureRect(dc, static_cast<int>(picture.GetWidth()),
                                                static_cast<int>(picture.GetHeight()));
  if (part.Width <= 0 || part.Height <= 0) return;
  Gdiplus::Graphics g(dc);
  g.DrawImage(&picture, part, part.X, part.Y, part.Width, part.Height, Gdiplus::UnitPixel);
}
