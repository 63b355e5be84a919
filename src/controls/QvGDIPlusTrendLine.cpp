#include "controls/QvGDIPlusTrendLine.h"

#include <algorithm>

#include "controls/CoverageBlend.h"
#include "controls/GdiPlusUtil.h"
#include "ui/Dpi.h"

std::vector<int> GridLinePositions(int origin, int extent, int gridSize) {
  const long long step = gridSize < 1 ? 1 : gridSize;
  std::vector<int> out;
  for (long long p = static_cast<long long>(origin) + step; p < static_cast<long long>(origin) + extent;
       p += step)
    out.push_back(static_cast<int>(p));
  return out;
}

Gdiplus::Rect TrendPlotRect(int width, int height, bool showBorder) {
  if (showBorder) return Gdiplus::Rect(1, 1, width - 2, height - 2);
  return Gdiplus::Rect(0, 0, width, height);
}

std::vector<Gdiplus::PointF> TrendPoints(const Gdiplus::Rect& plot, const std::deque<int>& values,
                                         int max, int min) {
  // The range in double: max - min of two extreme ints does not fit an int.
  const double yScale = plot.Height / (static_cast<double>(max) - min);
  const double xStep = plot.Width / static_cast<double>(kTrendHistory);
  const int count = static_cast<int>(values.size());
  const double bottom = static_cast<double>(plot.Y) + plot.Height;
  const double x0 = plot.X + (kTrendHistory - count) * xStep;
  std::vector<Gdiplus::PointF> pts;
  pts.reserve(values.size() + 2);
  pts.emplace_back(static_cast<Gdiplus::REAL>(x0), static_cast<Gdiplus::REAL>(bottom));
  for (int k = 0; k < count; ++k) {
    const double y = bottom - (static_cast<double>(values[k]) - min) * yScale;
    pts.emplace_back(static_cast<Gdiplus::REAL>(x0 + k * xStep), static_cast<Gdiplus::REAL>(y));
  }
  pts.emplace_back(static_cast<Gdiplus::REAL>(plot.X + plot.Width), static_cast<Gdiplus::REAL>(bottom));
  return pts;
}

TQvGDIPlusTrendLine::TQvGDIPlusTrendLine(TComponent* Owner) : TControl(Owner) {
  Line& first = lines_[0];
  first.color1 = 0x0000FF;
  first.color2 = 0x00FF00;
  first.fill = true;
  first.visible = true;
  first.alpha = 128;
  first.fillAlpha = 128;
  initialised_ = true;
  SetBounds(Left(), Top(), 105, 105);  // the paint box's default size: a picture from the start
}

TQvGDIPlusTrendLine::~TQvGDIPlusTrendLine() = default;

TQvGDIPlusTrendLine::Line* TQvGDIPlusTrendLine::LineAt(int line) {
  return ValidLine(line) ? &lines_[line - 1] : nullptr;
}

const TQvGDIPlusTrendLine::Line* TQvGDIPlusTrendLine::LineAt(int line) const {
  return ValidLine(line) ? &lines_[line - 1] : nullptr;
}

const std::deque<int>& TQvGDIPlusTrendLine::Values(int Line) const {
  static const std::deque<int> none;
  const auto* l = LineAt(Line);
  return l ? l->values : none;
}

void TQvGDIPlusTrendLine::RebuildIfAutoDraw() {
  pictureCurrent_ = false;
  if (!autoDraw_) return;
  Rebuild();
  Invalidate();
}

template <class T>
void TQvGDIPlusTrendLine::Change(T& field, T value) {
  if (field == value) return;
  field = value;
  RebuildIfAutoDraw();
}

void TQvGDIPlusTrendLine::AddValue(int Line, int Value) {
  auto* l = LineAt(Line);
  if (!l) return;
  // A full history of this very value only moves along: the points, and so the picture,
  // stay as they are. An idle machine's memory line does that tick after tick.
  const bool sameTrace = l->values.size() == kTrendHistory &&
                         std::all_of(l->values.begin(), l->values.end(), [Value](int v) { return v == Value; });
  l->values.push_back(Value);
  if (l->values.size() > kTrendHistory) l->values.pop_front();
  if (sameTrace && pictureCurrent_) return;
  RebuildIfAutoDraw();
}

void TQvGDIPlusTrendLine::ClearValues(int Line) {
  auto* l = LineAt(Line);
  if (!l || !initialised_) return;
  pictureCurrent_ = false;
  l->values.clear();
  if (cache_) Rebuild();
  Invalidate();
}

void TQvGDIPlusTrendLine::SetAutoDraw(bool Value) {
  autoDraw_ = Value;
  // Switching on always renders: it is how a caller shows values or line colours it
  // stored while drawing was off.
  if (Value) {
    Rebuild();
    Invalidate();
  }
}

void TQvGDIPlusTrendLine::SetMax(int Value) { Change(max_, Value); }
void TQvGDIPlusTrendLine::SetMin(int Value) { Change(min_, Value); }
void TQvGDIPlusTrendLine::SetShowBorder(bool Value) { Change(showBorder_, Value); }
void TQvGDIPlusTrendLine::SetBorderColor1(TColor Value) { Change(borderColor1_, Value); }
void TQvGDIPlusTrendLine::SetBorderColor2(TColor Value) { Change(borderColor2_, Value); }
void TQvGDIPlusTrendLine::SetBorderAlpha(int Value) { Change(borderAlpha_, Value); }
void TQvGDIPlusTrendLine::SetShowGrid(bool Value) { Change(showGrid_, Value); }
void TQvGDIPlusTrendLine::ChangeScale(int M, int D) {
  if (M == D) return;
  pictureCurrent_ = false;
  dpi_ = dpi::Scale(dpi_, M, D);
  gridSize_ = std::max(1, givenGridSize_.At(dpi_));
  for (Line& line : lines_) line.width = std::max(1, line.givenWidth.At(dpi_));
  TControl::ChangeScale(M, D);  // the bounds change renders again
}

void TQvGDIPlusTrendLine::SetGridSize(int Value) {
  givenGridSize_ = {Value, dpi_};
  Change(gridSize_, Value);
}
void TQvGDIPlusTrendLine::SetGridColor(TColor Value) { Change(gridColor_, Value); }
void TQvGDIPlusTrendLine::SetGridColorAlpha(int Value) { Change(gridColorAlpha_, Value); }
void TQvGDIPlusTrendLine::SetShowBackColor(bool Value) { Change(showBackColor_, Value); }
void TQvGDIPlusTrendLine::SetBackColorMode(LinearGradientMode Value) { Change(backColorMode_, Value); }
void TQvGDIPlusTrendLine::SetBackColor1(TColor Value) { Change(backColor1_, Value); }
void TQvGDIPlusTrendLine::SetBackColor2(TColor Value) { Change(backColor2_, Value); }
void TQvGDIPlusTrendLine::SetBackColorAlpha(int Value) { Change(backColorAlpha_, Value); }

TColor TQvGDIPlusTrendLine::LineColor1(int Line) const {
  const auto* l = LineAt(Line);
  return l ? l->color1 : 0;
}
void TQvGDIPlusTrendLine::SetLineColor1(int Line, TColor Value) {
  auto* l = LineAt(Line);
  if (!l || l->color1 == Value) return;
  l->color1 = Value;
  pictureCurrent_ = false;  // shows at the next render
}
TColor TQvGDIPlusTrendLine::LineColor2(int Line) const {
  const auto* l = LineAt(Line);
  return l ? l->color2 : 0;
}
void TQvGDIPlusTrendLine::SetLineColor2(int Line, TColor Value) {
  auto* l = LineAt(Line);
  if (!l || l->color2 == Value) return;
  l->color2 = Value;
  pictureCurrent_ = false;  // shows at the next render
}
bool TQvGDIPlusTrendLine::LineFill(int Line) const {
  const auto* l = LineAt(Line);
  return l && l->fill;
}
void TQvGDIPlusTrendLine::SetLineFill(int Line, bool Value) {
  if (auto* l = LineAt(Line)) Change(l->fill, Value);
}
bool TQvGDIPlusTrendLine::LineVisible(int Line) const {
  const auto* l = LineAt(Line);
  return l && l->visible;
}
void TQvGDIPlusTrendLine::SetLineVisible(int Line, bool Value) {
  if (auto* l = LineAt(Line)) Change(l->visible, Value);
}
int TQvGDIPlusTrendLine::LineAlpha(int Line) const {
  const auto* l = LineAt(Line);
  return l ? l->alpha : 0;
}
void TQvGDIPlusTrendLine::SetLineAlpha(int Line, int Value) {
  if (auto* l = LineAt(Line)) Change(l->alpha, Value);
}
int TQvGDIPlusTrendLine::LineFillAlpha(int Line) const {
  const auto* l = LineAt(Line);
  return l ? l->fillAlpha : 0;
}
void TQvGDIPlusTrendLine::SetLineFillAlpha(int Line, int Value) {
  if (auto* l = LineAt(Line)) Change(l->fillAlpha, Value);
}
int TQvGDIPlusTrendLine::LineWidth(int Line) const {
  const auto* l = LineAt(Line);
  return l ? l->width : 0;
}
void TQvGDIPlusTrendLine::SetLineWidth(int Line, int Value) {
  if (auto* l = LineAt(Line)) {
    l->givenWidth = {Value, dpi_};
    Change(l->width, Value);
  }
}

void TQvGDIPlusTrendLine::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  Rebuild();
  Invalidate();
}

TQvGDIPlusTrendLine::BackgroundKey TQvGDIPlusTrendLine::CurrentBackgroundKey() const {
  BackgroundKey k;
  k.width = Width();
  k.height = Height();
  k.showBackColor = showBackColor_;
  k.backColorMode = backColorMode_;
  k.backColor1 = backColor1_;
  k.backColor2 = backColor2_;
  k.backColorAlpha = backColorAlpha_;
  k.showGrid = showGrid_;
  k.gridSize = gridSize_;
  k.gridColor = gridColor_;
  k.gridColorAlpha = gridColorAlpha_;
  k.showBorder = showBorder_;
  k.borderColor1 = borderColor1_;
  k.borderColor2 = borderColor2_;
  k.borderAlpha = borderAlpha_;
  return k;
}

std::unique_ptr<Gdiplus::Bitmap> TQvGDIPlusTrendLine::RenderBackground() const {
  const Gdiplus::Rect r(0, 0, Width(), Height());
  auto bmp = NewTransparentBitmap(r.Width, r.Height);
  if (!bmp) return nullptr;
  Gdiplus::Graphics g(bmp.get());
  if (showBackColor_) {
    Gdiplus::LinearGradientBrush brush(r, Argb(backColor1_, backColorAlpha_),
                                       Argb(backColor2_, backColorAlpha_), backColorMode_);
    g.FillRectangle(&brush, r);
  }
  if (showGrid_) {
    Gdiplus::Pen pen(Argb(gridColor_, gridColorAlpha_), 1.0f);
    for (int y : GridLinePositions(r.Y, r.Height, gridSize_))
      g.DrawLine(&pen, r.X + 1, y, r.X + r.Width - 1, y);
    for (int x : GridLinePositions(r.X, r.Width, gridSize_))
      g.DrawLine(&pen, x, r.Y + 1, x, r.Y + r.Height - 1);
  }
  if (showBorder_) {
    Gdiplus::LinearGradientBrush brush(r, Argb(borderColor1_, borderAlpha_),
                                       Argb(borderColor2_, borderAlpha_),
                                       Gdiplus::LinearGradientModeForwardDiagonal);
    Gdiplus::Pen pen(&brush, 2.0f);
    g.DrawRectangle(&pen, r);
  }
  return bmp;
}

void TQvGDIPlusTrendLine::Rebuild() {
  ++renderCount_;
  pictureCurrent_ = true;
  RenderCache();
  if (cache_)
    ready_.Assign(*cache_);  // empties it when it fails: the paint then takes cache_ itself
  else
    ready_.Clear();
}

void TQvGDIPlusTrendLine::RenderCache() {
  const BackgroundKey key = CurrentBackgroundKey();
  if (key.width < 1 || key.height < 1) {
    cache_.reset();
    background_.reset();
    return;
  }
  if (!background_ || !(key == backgroundKey_)) {
    background_.reset();
    background_ = RenderBackground();
    backgroundKey_ = key;
  }
  if (!background_) {
    cache_.reset();
    return;
  }
  if (!cache_ || static_cast<int>(cache_->GetWidth()) != key.width ||
      static_cast<int>(cache_->GetHeight()) != key.height) {
    cache_.reset();
    cache_ = NewTransparentBitmap(key.width, key.height);
    if (!cache_) return;
  }
  CopyPixels(*background_, *cache_);
  const Gdiplus::Rect r(0, 0, key.width, key.height);
  for (Line& line : lines_) DrawTrend(r, line);
}

bool TQvGDIPlusTrendLine::BlendMask(const std::vector<ArgbPixel>& rowColours) {
  const Gdiplus::Rect r(0, 0, static_cast<INT>(cache_->GetWidth()),
                        static_cast<INT>(cache_->GetHeight()));
  const auto rw = static_cast<UINT>(Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite);
  Gdiplus::BitmapData dst{}, mask{};
  if (cache_->LockBits(&r, rw, PixelFormat32bppARGB, &dst) != Gdiplus::Ok) return false;
  if (mask_->LockBits(&r, rw, PixelFormat32bppARGB, &mask) != Gdiplus::Ok) {
    cache_->UnlockBits(&dst);
    return false;
  }
  BlendMaskRows(static_cast<ArgbPixel*>(dst.Scan0), dst.Stride / 4,
                static_cast<ArgbPixel*>(mask.Scan0), mask.Stride / 4, r.Width, r.Height, rowColours);
  mask_->UnlockBits(&mask);
  cache_->UnlockBits(&dst);
  return true;
}

void TQvGDIPlusTrendLine::DrawTrend(const Gdiplus::Rect& chart, Line& line) {
  if (!line.visible) return;
  if (max_ == min_) max_ = min_ + 1;
  Gdiplus::Rect p = chart;
  if (showBorder_) p = Gdiplus::Rect(chart.X + 1, chart.Y + 1, chart.Width - 2, chart.Height - 2);
  if (p.Width < 1 || p.Height < 1) return;

  const std::vector<Gdiplus::PointF> pts = TrendPoints(p, line.values, max_, min_);
  const int n = static_cast<int>(pts.size());
  const auto width = static_cast<Gdiplus::REAL>(line.width);
  const ArgbPixel first = ToARGB(line.color1, line.alpha), last = ToARGB(line.color2, line.alpha);

  // The trace, then the fill over it, each shape's coverage coloured row by row.
  bool traceDone = false, fillDone = !line.fill;
  if (!mask_ || mask_->GetWidth() != cache_->GetWidth() || mask_->GetHeight() != cache_->GetHeight())
    mask_ = NewTransparentBitmap(chart.Width, chart.Height);
  if (mask_) {
    const std::vector<ArgbPixel> rows = VerticalGradientRows(chart.Height, p.Y, p.Height, first, last);
    auto cover = [&](bool fill) {
      Gdiplus::Graphics g(mask_.get());
      g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
      g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);  // the mask is clear
      Gdiplus::SolidBrush white(Gdiplus::Color(255, 255, 255, 255));
      if (fill) {
        g.FillClosedCurve(&white, pts.data(), n, Gdiplus::FillModeAlternate, 0.0f);
      } else {
        Gdiplus::Pen pen(&white, width);
        g.DrawCurve(&pen, pts.data(), n, 0.0f);
      }
    };
    cover(false);
    traceDone = BlendMask(rows);
    if (traceDone && line.fill) {
      cover(true);
      fillDone = BlendMask(rows);
    }
    if (!traceDone || !fillDone) mask_.reset();  // it may still hold a shape
  }
  if (traceDone && fillDone) return;
  // Pixels that cannot be reached: what is left is drawn as GDI+ alone does.
  Gdiplus::Graphics g(cache_.get());
  Gdiplus::LinearGradientBrush brush(p, Gdiplus::Color(first), Gdiplus::Color(last),
                                     Gdiplus::LinearGradientModeVertical);
  g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
  if (!traceDone) {
    Gdiplus::Pen pen(&brush, width);
    g.DrawCurve(&pen, pts.data(), n, 0.0f);
  }
  if (!fillDone) g.FillClosedCurve(&brush, pts.data(), n, Gdiplus::FillModeAlternate, 0.0f);
}

void TQvGDIPlusTrendLine::Paint(TCanvas& Canvas) {
  if (!ready_.Empty())
    ready_.Draw(Canvas.Handle());
  else if (cache_)
    DrawPictureClipped(Canvas.Handle(), *cache_);
}
