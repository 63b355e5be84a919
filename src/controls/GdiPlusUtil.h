// Small GDI+ pieces the image-drawing controls share: loading a picture file by an ANSI
// path, fresh transparent bitmaps, and drawing a picture with an overall alpha.
#pragma once
#include "controls/GdiPlus.h"

#include <memory>
#include <string>

#include "controls/ColorUnit.h"

// The picture in `path`, decoded by GDI+. Never null: a missing or undecodable file gives
// an object whose status is not Ok and which draws nothing.
std::unique_ptr<Gdiplus::Bitmap> LoadPictureFile(const std::string& path);

// True when `bmp` holds a decoded picture of at least one pixel.
bool PictureUsable(Gdiplus::Bitmap* bmp);

// A fully transparent 32-bit ARGB bitmap, or null when a side is below 1 or GDI+ refuses.
std::unique_ptr<Gdiplus::Bitmap> NewTransparentBitmap(int width, int height);

// Copies every pixel of `from` over `to` (same size, 32-bit ARGB), replacing rather than
// blending; a plain copy of the rows when the pixels can be locked.
void CopyPixels(Gdiplus::Bitmap& from, Gdiplus::Bitmap& to);

// A GDI+ font of `points` points (style bits: bold 1, italic 2, underline 4, strikeout 8).
// A face GDI+ does not know gives the generic sans-serif family, or else the first
// installed family, so that text still shows. Null only when GDI+ knows no font at all.
std::unique_ptr<Gdiplus::Font> NewGdiPlusFont(const std::string& face, float points, int style);

inline Gdiplus::Color Argb(TColor color, int alpha) { return Gdiplus::Color(ToARGB(color, alpha)); }

// The part of a width x height picture placed at (0, 0) that a device context's clip box
// leaves visible; clipKind is what GetClipBox returned. The whole picture when the box is
// unknown (ERROR), an empty rectangle when nothing is visible.
Gdiplus::Rect VisiblePictureRect(int width, int height, int clipKind, const RECT& clipBox);
// The same for the clip box `dc` has now.
Gdiplus::Rect VisiblePictureRect(HDC dc, int width, int height);

// Draws `picture` 1:1 at (0, 0) on `dc`, only the part inside the clip box: under a
// software GDI+ drawing a picture costs its whole size even where the clip hides it, and a
// window repainted for one changed label need not pay for the whole background again.
void DrawPictureClipped(HDC dc, Gdiplus::Bitmap& picture);

// Draws the `src` part of `image` into `dst`. An `alpha` below 255 scales every pixel's
// alpha by alpha / 255 through a colour matrix; 255 draws the picture unchanged.
void DrawPictureWithAlpha(Gdiplus::Graphics& g, Gdiplus::Image* image, const Gdiplus::RectF& dst,
                          const Gdiplus::RectF& src, int alpha);
