// Colours, fonts, cursors and the paint surface handed to controls.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "util/ScopedHandles.h"

// 0x00BBGGRR. A top byte of 0xFF marks a system colour (index in the low byte), as the
// framework's symbolic colours do; drawing controls ignore the top byte on purpose.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clGreen = 0x008000,
                 clLime = 0x00FF00, clBlue = 0xFF0000, clYellow = 0x00FFFF, clGray = 0x808080,
                 clSilver = 0xC0C0C0;
constexpr TColor clSystemColor = 0xFF000000;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;

// Resolves a system colour to its current RGB value; plain colours pass unchanged.
TColor ColorToRGB(TColor Color);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;  // bit set of TFontStyle; the bits equal GDI+'s FontStyle bits

// A font description. Height is in pixels (negative: character height, as in LOGFONT);
// Size is in points at the screen's resolution. OnChange runs after every real change.
class TFont {
 public:
  TFont();
  TFont(const TFont& Other);
  TFont& operator=(const TFont&) = delete;
  // Copies name, height, style and colour (not OnChange); one OnChange if anything differs.
  void Assign(const TFont& Source);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& Name);
  int Height() const { return height_; }
  void SetHeight(int Height);
  int Size() const;
  void SetSize(int Points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles Style);
  TColor Color() const { return color_; }
  void SetColor(TColor Color);

  // A GDI font for windowed standard controls; rebuilt after a change, owned by the TFont.
  HFONT Handle() const;

  std::function<void(TFont* Sender)> OnChange;

 private:
  void Changed();
  std::string name_ = "Tahoma";
  int height_ = -11;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  mutable UniqueHFont handle_;
};

// Pixels per logical inch of the screen: the system DPI (96 unless the system is scaled),
// which TFont::Size converts with.
int ScreenPixelsPerInch();

// The height of a font of Points points in the 96-DPI design that forms scale to their
// monitor's DPI: -11 for 8 points. A control's default font is given this way, not with
// SetSize: at a system DPI of 144 that would give 16 pixels, which the form then scales
// once more.
int DesignFontHeight(int Points);

// Mouse cursors, numbered as the framework numbers its standard cursors.
using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crSizeAll = -22,
                  crHandPoint = -21, crHourGlass = -11, crNo = -18;
// The system cursor for a TCursor (crDefault: the arrow).
HCURSOR CursorHandle(TCursor Cursor);

// The surface a control paints on. Handle() is a GDI device context whose origin (0, 0)
// is the control's top-left corner and whose clipping is the control's rectangle.
// GDI+ controls draw on it with
//     Gdiplus::Graphics g(Canvas.Handle());
// (include "controls/GdiPlus.h"); the Graphics object picks up the origin and the clip.
// The DC is a 32-bit off-screen buffer that already holds what lies beneath the control,
// so translucent drawing blends with the parent; a control never erases its background.
class TCanvas {
 public:
  explicit TCanvas(HDC Dc) : dc_(Dc) {}
  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
};
