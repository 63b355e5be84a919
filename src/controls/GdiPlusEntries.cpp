// The GDI+ flat functions the program calls, reached through the system-library loader.
// gdiplus.dll is not a KnownDLL on Windows 7, so importing it would let a copy beside the
// program run in its place. GDI+'s C++ classes call these names; this file is linked into
// Memtide.exe as an object, so its definitions come before the import library's and keep
// gdiplus.dll out of the import table (the install test checks the table). A function the
// program starts to use needs a line here. Tests and tools link the import library.
#include <type_traits>

#include "controls/GdiPlus.h"
#include "util/SystemLibrary.h"

namespace {

// What a function answers when gdiplus.dll or the export cannot be found.
template <class R>
R Missing() {
  if constexpr (std::is_same_v<R, Gdiplus::GpStatus>) {
    return Gdiplus::GdiplusNotInitialized;
  } else if constexpr (!std::is_void_v<R>) {
    return R{};
  }
}

}  // namespace

// The export is looked up once per function.
#define MEMTIDE_GDIPLUS_FORWARD(Name, ...)                                     \
  static auto* const entry = GdiPlusLibrary().Function<decltype(Name)>(#Name); \
  return entry ? entry(__VA_ARGS__) : Missing<decltype(entry(__VA_ARGS__))>()

namespace Gdiplus {

extern "C" {

VOID WINGDIPAPI GdiplusShutdown(ULONG_PTR a0) { MEMTIDE_GDIPLUS_FORWARD(GdiplusShutdown, a0); }
GpStatus WINGDIPAPI GdiplusStartup(ULONG_PTR* a0, GDIPCONST GdiplusStartupInput* a1,
                                   GdiplusStartupOutput* a2) {
  MEMTIDE_GDIPLUS_FORWARD(GdiplusStartup, a0, a1, a2);
}

}  // extern "C"

namespace DllExports {
extern "C" {

VOID* WINGDIPAPI GdipAlloc(size_t a0) { MEMTIDE_GDIPLUS_FORWARD(GdipAlloc, a0); }
GpStatus WINGDIPAPI GdipBitmapLockBits(GpBitmap* a0, GDIPCONST GpRect* a1, UINT a2, PixelFormat a3,
                                       BitmapData* a4) {
  MEMTIDE_GDIPLUS_FORWARD(GdipBitmapLockBits, a0, a1, a2, a3, a4);
}
GpStatus WINGDIPAPI GdipBitmapUnlockBits(GpBitmap* a0, BitmapData* a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipBitmapUnlockBits, a0, a1);
}
GpStatus WINGDIPAPI GdipCloneBrush(GpBrush* a0, GpBrush** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCloneBrush, a0, a1);
}
GpStatus WINGDIPAPI GdipCloneFontFamily(GpFontFamily* a0, GpFontFamily** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCloneFontFamily, a0, a1);
}
GpStatus WINGDIPAPI GdipCloneImage(GpImage* a0, GpImage** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCloneImage, a0, a1);
}
GpStatus WINGDIPAPI GdipCreateBitmapFromFile(GDIPCONST WCHAR* a0, GpBitmap** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateBitmapFromFile, a0, a1);
}
GpStatus WINGDIPAPI GdipCreateBitmapFromScan0(INT a0, INT a1, INT a2, PixelFormat a3, BYTE* a4,
                                              GpBitmap** a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateBitmapFromScan0, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipCreateFont(GDIPCONST GpFontFamily* a0, REAL a1, INT a2, Unit a3,
                                   GpFont** a4) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateFont, a0, a1, a2, a3, a4);
}
GpStatus WINGDIPAPI GdipCreateFontFamilyFromName(GDIPCONST WCHAR* a0, GpFontCollection* a1,
                                                 GpFontFamily** a2) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateFontFamilyFromName, a0, a1, a2);
}
GpStatus WINGDIPAPI GdipCreateFromHDC(HDC a0, GpGraphics** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateFromHDC, a0, a1);
}
GpStatus WINGDIPAPI GdipCreateImageAttributes(GpImageAttributes** a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateImageAttributes, a0);
}
GpStatus WINGDIPAPI GdipCreateLineBrushFromRect(GDIPCONST GpRectF* a0, ARGB a1, ARGB a2,
                                                LinearGradientMode a3, GpWrapMode a4,
                                                GpLineGradient** a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateLineBrushFromRect, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipCreateLineBrushFromRectI(GDIPCONST GpRect* a0, ARGB a1, ARGB a2,
                                                 LinearGradientMode a3, GpWrapMode a4,
                                                 GpLineGradient** a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateLineBrushFromRectI, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipCreatePen1(ARGB a0, REAL a1, GpUnit a2, GpPen** a3) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreatePen1, a0, a1, a2, a3);
}
GpStatus WINGDIPAPI GdipCreatePen2(GpBrush* a0, REAL a1, GpUnit a2, GpPen** a3) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreatePen2, a0, a1, a2, a3);
}
GpStatus WINGDIPAPI GdipCreateSolidFill(ARGB a0, GpSolidFill** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateSolidFill, a0, a1);
}
GpStatus WINGDIPAPI GdipCreateStringFormat(INT a0, LANGID a1, GpStringFormat** a2) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateStringFormat, a0, a1, a2);
}
GpStatus WINGDIPAPI GdipCreateTexture(GpImage* a0, GpWrapMode a1, GpTexture** a2) {
  MEMTIDE_GDIPLUS_FORWARD(GdipCreateTexture, a0, a1, a2);
}
GpStatus WINGDIPAPI GdipDeleteBrush(GpBrush* a0) { MEMTIDE_GDIPLUS_FORWARD(GdipDeleteBrush, a0); }
GpStatus WINGDIPAPI GdipDeleteFont(GpFont* a0) { MEMTIDE_GDIPLUS_FORWARD(GdipDeleteFont, a0); }
GpStatus WINGDIPAPI GdipDeleteFontFamily(GpFontFamily* a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDeleteFontFamily, a0);
}
GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDeleteGraphics, a0);
}
GpStatus WINGDIPAPI GdipDeletePen(GpPen* a0) { MEMTIDE_GDIPLUS_FORWARD(GdipDeletePen, a0); }
GpStatus WINGDIPAPI GdipDeleteStringFormat(GpStringFormat* a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDeleteStringFormat, a0);
}
GpStatus WINGDIPAPI GdipDisposeImage(GpImage* a0) { MEMTIDE_GDIPLUS_FORWARD(GdipDisposeImage, a0); }
GpStatus WINGDIPAPI GdipDisposeImageAttributes(GpImageAttributes* a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDisposeImageAttributes, a0);
}
GpStatus WINGDIPAPI GdipDrawCurve2(GpGraphics* a0, GpPen* a1, GDIPCONST GpPointF* a2, INT a3,
                                   REAL a4) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDrawCurve2, a0, a1, a2, a3, a4);
}
GpStatus WINGDIPAPI GdipDrawImageRectRect(GpGraphics* a0, GpImage* a1, REAL a2, REAL a3, REAL a4,
                                          REAL a5, REAL a6, REAL a7, REAL a8, REAL a9, GpUnit a10,
                                          GDIPCONST GpImageAttributes* a11, DrawImageAbort a12,
                                          VOID* a13) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDrawImageRectRect, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11,
                          a12, a13);
}
GpStatus WINGDIPAPI GdipDrawImageRectRectI(GpGraphics* a0, GpImage* a1, INT a2, INT a3, INT a4,
                                           INT a5, INT a6, INT a7, INT a8, INT a9, GpUnit a10,
                                           GDIPCONST GpImageAttributes* a11, DrawImageAbort a12,
                                           VOID* a13) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDrawImageRectRectI, a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11,
                          a12, a13);
}
GpStatus WINGDIPAPI GdipDrawLineI(GpGraphics* a0, GpPen* a1, INT a2, INT a3, INT a4, INT a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDrawLineI, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipDrawRectangleI(GpGraphics* a0, GpPen* a1, INT a2, INT a3, INT a4, INT a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDrawRectangleI, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipDrawString(GpGraphics* a0, GDIPCONST WCHAR* a1, INT a2,
                                   GDIPCONST GpFont* a3, GDIPCONST RectF* a4,
                                   GDIPCONST GpStringFormat* a5, GDIPCONST GpBrush* a6) {
  MEMTIDE_GDIPLUS_FORWARD(GdipDrawString, a0, a1, a2, a3, a4, a5, a6);
}
GpStatus WINGDIPAPI GdipFillClosedCurve2(GpGraphics* a0, GpBrush* a1, GDIPCONST GpPointF* a2,
                                         INT a3, REAL a4, GpFillMode a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipFillClosedCurve2, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipFillRectangle(GpGraphics* a0, GpBrush* a1, REAL a2, REAL a3, REAL a4,
                                      REAL a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipFillRectangle, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipFillRectangleI(GpGraphics* a0, GpBrush* a1, INT a2, INT a3, INT a4,
                                       INT a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipFillRectangleI, a0, a1, a2, a3, a4, a5);
}
VOID WINGDIPAPI GdipFree(VOID* a0) { MEMTIDE_GDIPLUS_FORWARD(GdipFree, a0); }
GpStatus WINGDIPAPI GdipGetFamilyName(GDIPCONST GpFontFamily* a0, WCHAR a1[LF_FACESIZE],
                                      LANGID a2) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetFamilyName, a0, a1, a2);
}
GpStatus WINGDIPAPI GdipGetFontCollectionFamilyCount(GpFontCollection* a0, INT* a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetFontCollectionFamilyCount, a0, a1);
}
GpStatus WINGDIPAPI GdipGetFontCollectionFamilyList(GpFontCollection* a0, INT a1, GpFontFamily** a2,
                                                    INT* a3) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetFontCollectionFamilyList, a0, a1, a2, a3);
}
GpStatus WINGDIPAPI GdipGetGenericFontFamilySansSerif(GpFontFamily** a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetGenericFontFamilySansSerif, a0);
}
GpStatus WINGDIPAPI GdipGetImageGraphicsContext(GpImage* a0, GpGraphics** a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetImageGraphicsContext, a0, a1);
}
GpStatus WINGDIPAPI GdipGetImageHeight(GpImage* a0, UINT* a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetImageHeight, a0, a1);
}
GpStatus WINGDIPAPI GdipGetImageWidth(GpImage* a0, UINT* a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGetImageWidth, a0, a1);
}
GpStatus WINGDIPAPI GdipGraphicsClear(GpGraphics* a0, ARGB a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipGraphicsClear, a0, a1);
}
GpStatus WINGDIPAPI GdipMeasureString(GpGraphics* a0, GDIPCONST WCHAR* a1, INT a2,
                                      GDIPCONST GpFont* a3, GDIPCONST RectF* a4,
                                      GDIPCONST GpStringFormat* a5, RectF* a6, INT* a7, INT* a8) {
  MEMTIDE_GDIPLUS_FORWARD(GdipMeasureString, a0, a1, a2, a3, a4, a5, a6, a7, a8);
}
GpStatus WINGDIPAPI GdipNewInstalledFontCollection(GpFontCollection** a0) {
  MEMTIDE_GDIPLUS_FORWARD(GdipNewInstalledFontCollection, a0);
}
GpStatus WINGDIPAPI GdipSetCompositingMode(GpGraphics* a0, CompositingMode a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetCompositingMode, a0, a1);
}
GpStatus WINGDIPAPI GdipSetImageAttributesColorMatrix(GpImageAttributes* a0, ColorAdjustType a1,
                                                      BOOL a2, GDIPCONST ColorMatrix* a3,
                                                      GDIPCONST ColorMatrix* a4,
                                                      ColorMatrixFlags a5) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetImageAttributesColorMatrix, a0, a1, a2, a3, a4, a5);
}
GpStatus WINGDIPAPI GdipSetInterpolationMode(GpGraphics* a0, InterpolationMode a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetInterpolationMode, a0, a1);
}
GpStatus WINGDIPAPI GdipSetSmoothingMode(GpGraphics* a0, SmoothingMode a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetSmoothingMode, a0, a1);
}
GpStatus WINGDIPAPI GdipSetStringFormatAlign(GpStringFormat* a0, StringAlignment a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetStringFormatAlign, a0, a1);
}
GpStatus WINGDIPAPI GdipSetStringFormatLineAlign(GpStringFormat* a0, StringAlignment a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetStringFormatLineAlign, a0, a1);
}
GpStatus WINGDIPAPI GdipSetStringFormatTrimming(GpStringFormat* a0, StringTrimming a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetStringFormatTrimming, a0, a1);
}
GpStatus WINGDIPAPI GdipSetTextRenderingHint(GpGraphics* a0, TextRenderingHint a1) {
  MEMTIDE_GDIPLUS_FORWARD(GdipSetTextRenderingHint, a0, a1);
}

}  // extern "C"
}  // namespace DllExports
}  // namespace Gdiplus
