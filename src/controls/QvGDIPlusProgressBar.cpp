#include "controls/QvGDIPlusProgressBar.h"

#include <algorithm>

#include "controls/GdiPlusUtil.h"

namespace {

bool Horizontal(TQvProgressBarDrawStyle style) { return style == pbdsLeft || style == pbdsRight; }

// Marks a bar busy for the length of one paint; a nested paint request finds it busy.
class BusyMark {
 public:
  explicit BusyMark(bool& ready) : ready_(ready) { ready_ = false; }
  ~BusyMark() { ready_ = true; }
  BusyMark(const BusyMark&) = delete;
  BusyMark& operator=(const BusyMark&) = delete;

 private:
  bool& ready_;
};

}  // namespace

Gdiplus::Rect ProgressFrontRect(TQvProgressBarDrawStyle style, int width, int height, int value) {
  const int fw = static_cast<int>(static_cast<long long>(width) * value / 100);
  const int fh = static_cast<int>(static_cast<long long>(height) * value / 100);
  switch (style) {
    case pbdsRight: return Gdiplus::Rect(width - fw, 0, fw, height);
    case pbdsTop: return Gdiplus::Rect(0, 0, width, fh);
    case pbdsBottom: return Gdiplus::Rect(0, height - fh, width, fh);
    case pbdsLeft:
    default: return Gdiplus::Rect(0, 0, fw, height);
  }
}

TProgressImagePart ProgressImagePart(TQvProgressBarDrawStyle style, int width, int height,
                                     int imageWidth, int imageHeight, int value) {
  using Gdiplus::REAL;
  const REAL p = static_cast<REAL>(value) / 100.0f;
  const REAL w = static_cast<REAL>(width), h = static_cast<REAL>(height);
  const REAL iw = static_cast<REAL>(imageWidth), ih = static_cast<REAL>(imageHeight);
  switch (style) {
    case pbdsRight:
      return {{w - w * p, 0, w * p, h}, {iw - iw * p, 0, iw * p, ih}};
    case pbdsTop:
      return {{0, 0, w, h * p}, {0, 0, iw, ih * p}};
    case pbdsBottom:
      return {{0, h - h * p, w, h * p}, {0, ih - ih * p, iw, ih * p}};
    case pbdsLeft:
    default:
      return {{0, 0, w * p, h}, {0, 0, iw * p, ih}};
  }
}

Gdiplus::LinearGradientMode ProgressGradientMode(TQvProgressBarDrawStyle style) {
  return Horizontal(style) ? Gdiplus::LinearGradientModeVertical
                           : Gdiplus::LinearGradientModeHorizontal;
}

TQvGDIPlusProgressBar::TQvGDIPlusProgressBar(TComponent* Owner) : TControl(Owner) {
  SetBounds(Left(), Top(), 105, 105);  // the paint box's default size
  ready_ = true;
}

TQvGDIPlusProgressBar::~TQvGDIPlusProgressBar() = default;

template <class T>
void TQvGDIPlusProgressBar::Change(T& field, T value) {
  if (field == value) return;
  field = value;
  Invalidate();
}

void TQvGDIPlusProgressBar::SetValue(int Value) { Change(value_, std::clamp(Value, 0, 100)); }
void TQvGDIPlusProgressBar::SetDrawStyle(TQvProgressBarDrawStyle Value) { Change(drawStyle_, Value); }
void TQvGDIPlusProgressBar::SetFrontMode(TQvProgressBarDrawMode Value) { Change(frontMode_, Value); }
void TQvGDIPlusProgressBar::SetFrontColor(TColor Value) { Change(frontColor_, Value); }
void TQvGDIPlusProgressBar::SetFrontGradColor(TColor Value) { Change(frontGradColor_, Value); }
void TQvGDIPlusProgressBar::SetFrontAlpha(int Value) { Change(frontAlpha_, Value); }
void TQvGDIPlusProgressBar::SetBackMode(TQvProgressBarDrawMode Value) { Change(backMode_, Value); }
void TQvGDIPlusProgressBar::SetBackColor(TColor Value) { Change(backColor_, Value); }
void TQvGDIPlusProgressBar::SetBackGradColor(TColor Value) { Change(backGradColor_, Value); }
void TQvGDIPlusProgressBar::SetBackAlpha(int Value) { Change(backAlpha_, Value); }
void TQvGDIPlusProgressBar::SetShowBorder(bool Value) { Change(showBorder_, Value); }
void TQvGDIPlusProgressBar::SetBorderColor(TColor Value) { Change(borderColor_, Value); }
void TQvGDIPlusProgressBar::SetBorderGradColor(TColor Value) { Change(borderGradColor_, Value); }
void TQvGDIPlusProgressBar::SetBorderAlpha(int Value) { Change(borderAlpha_, Value); }

void TQvGDIPlusProgressBar::SetFrontImageSource(const std::string& Value) {
  if (Value == frontImageSource_) return;
  frontImageSource_ = Value;
  frontImage_ = LoadPictureFile(Value);
  Invalidate();
}

void TQvGDIPlusProgressBar::SetBackImageSource(const std::string& Value) {
  if (Value == backImageSource_) return;
  backImageSource_ = Value;
  backImage_ = LoadPictureFile(Value);
  Invalidate();
}

void TQvGDIPlusProgressBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Invalidate();
}

void TQvGDIPlusProgressBar::Paint(TCanvas& Canvas) {
  if (!ready_) return;
  Gdiplus::Graphics g(Canvas.Handle());
  Draw(g);
}

void TQvGDIPlusProgressBar::Draw(Gdiplus::Graphics& g) {
  if (!ready_) return;
  BusyMark busy(ready_);
  DrawBack(g);
  DrawFront(g);
  if (showBorder_) {
    const Gdiplus::Rect r(0, 0, Width(), Height());
    Gdiplus::LinearGradientBrush brush(r, Argb(borderColor_, borderAlpha_),
                                       Argb(borderGradColor_, borderAlpha_),
                                       Gdiplus::LinearGradientModeForwardDiagonal);
    Gdiplus::Pen pen(&brush, 2.0f);
    g.DrawRectangle(&pen, r);
  }
}

void TQvGDIPlusProgressBar::DrawBack(Gdiplus::Graphics& g) {
  const Gdiplus::Rect r(0, 0, Width(), Height());
  if (backMode_ == pbdmColor) {
    Gdiplus::LinearGradientBrush brush(r, Argb(backColor_, backAlpha_),
                                       Argb(backGradColor_, backAlpha_),
                                       ProgressGradientMode(drawStyle_));
    g.FillRectangle(&brush, r);
  } else if (PictureUsable(backImage_.get())) {
    const Gdiplus::RectF src(0, 0, static_cast<Gdiplus::REAL>(backImage_->GetWidth()),
                             static_cast<Gdiplus::REAL>(backImage_->GetHeight()));
    DrawPictureWithAlpha(g, backImage_.get(),
                         Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(r.Width),
                                        static_cast<Gdiplus::REAL>(r.Height)),
                         src, backAlpha_);
  }
}

void TQvGDIPlusProgressBar::DrawFront(Gdiplus::Graphics& g) {
  if (frontMode_ == pbdmColor) {
    const Gdiplus::Rect f = ProgressFrontRect(drawStyle_, Width(), Height(), value_);
    // A gradient brush over an empty rectangle cannot be made; nothing would show anyway.
    if (f.Width < 1 || f.Height < 1) return;
    const Gdiplus::RectF rf(static_cast<Gdiplus::REAL>(f.X), static_cast<Gdiplus::REAL>(f.Y),
                            static_cast<Gdiplus::REAL>(f.Width), static_cast<Gdiplus::REAL>(f.Height));
    Gdiplus::LinearGradientBrush brush(rf, Argb(frontColor_, frontAlpha_),
                                       Argb(frontGradColor_, frontAlpha_),
                                       ProgressGradientMode(drawStyle_));
    g.FillRectangle(&brush, rf);
  } else if (PictureUsable(frontImage_.get())) {
    const TProgressImagePart part =
        ProgressImagePart(drawStyle_, Width(), Height(), static_cast<int>(frontImage_->GetWidth()),
                          static_cast<int>(frontImage_->GetHeight()), value_);
    if (part.Dest.Width <= 0 || part.Dest.Height <= 0) return;
    DrawPictureWithAlpha(g, frontImage_.get(), part.Dest, part.Source, frontAlpha_);
  }
}
