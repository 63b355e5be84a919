#include "controls/DockSurface.h"

#include "controls/GdiPlusUtil.h"
#include "util/QvFileService.h"

std::unique_ptr<Gdiplus::Bitmap> RenderDockPicture(const TDockLook& Look, int Width, int Height,
                                                   float PenWidth, Gdiplus::Bitmap* Image) {
  auto picture = NewTransparentBitmap(Width, Height);
  if (!picture) return nullptr;
  Gdiplus::Graphics g(picture.get());
  const Gdiplus::Rect r(0, 0, Width, Height);
  if (Look.ShowBackColor) {
    Gdiplus::LinearGradientBrush back(r, Argb(Look.BackColor1, Look.BackColorAlpha),
                                      Argb(Look.BackColor2, Look.BackColorAlpha),
                                      Look.BackColorMode);
    g.FillRectangle(&back, r);
  }
  if (Look.ShowBorder) {
    Gdiplus::LinearGradientBrush border(r, Argb(Look.BorderColor1, Look.BorderAlpha),
                                        Argb(Look.BorderColor2, Look.BorderAlpha),
                                        Gdiplus::LinearGradientModeForwardDiagonal);
    Gdiplus::Pen pen(&border, PenWidth);
    g.DrawRectangle(&pen, r);
  }
  if (Look.ShowImage && PictureUsable(Image)) {
    g.DrawImage(Image, r, 0, 0, static_cast<INT>(Image->GetWidth()),
                static_cast<INT>(Image->GetHeight()), Gdiplus::UnitPixel);
  }
  return picture;
}

std::unique_ptr<Gdiplus::Bitmap> LoadDockImage(const std::string& Path) {
  if (!IsExistingFile(Path)) return nullptr;
  return LoadPictureFile(Path);
}
