#include "ui/Graphics.h"

#include "ui/Dpi.h"

TColor ColorToRGB(TColor Color) {
  if ((Color & 0xFF000000u) == clSystemColor) return GetSysColor(static_cast<int>(Color & 0xFF));
  return Color & 0x00FFFFFFu;
}

int ScreenPixelsPerInch() { return dpi::SystemDpi(); }

int DesignFontHeight(int Points) { return -MulDiv(Points, dpi::kDesignDpi, 72); }

TFont::TFont() = default;

TFont::TFont(const TFont& Other)
    : name_(Other.name_), height_(Other.height_), style_(Other.style_), color_(Other.color_) {}

void TFont::Assign(const TFont& Source) {
  if (&Source == this) return;
  if (name_ == Source.name_ && height_ == Source.height_ && style_ == Source.style_ &&
      color_ == Source.color_)
    return;
  name_ = Source.name_;
  height_ = Source.height_;
  style_ = Source.style_;
  color_ = Source.color_;
  Changed();
}

void TFont::SetName(const std::string& Name) {
  if (Name == name_) return;
  name_ = Name;
  Changed();
}

void TFont::SetHeight(int Height) {
  if (Height == height_) return;
  height_ = Height;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int Points) { SetHeight(-MulDiv(Points, ScreenPixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles Style) {
  if (Style == style_) return;
  style_ = Style;
  Changed();
}

void TFont::SetColor(TColor Color) {
  if (Color == color_) return;
  color_ = Color;
  Changed();
}

HFONT TFont::Handle() const {
  if (!handle_) {
    LOGFONTA lf{};
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
    handle_.reset(CreateFontIndirectA(&lf));
  }
  return handle_.get();
}

void TFont::Changed() {
  handle_.reset();
  if (OnChange) OnChange(this);
}

HCURSOR CursorHandle(TCursor Cursor) {
  LPCSTR id = IDC_ARROW;
  switch (Cursor) {
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    case crHandPoint: id = IDC_HAND; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: id = IDC_NO; break;
    default: break;
  }
  return LoadCursorA(nullptr, id);
}
