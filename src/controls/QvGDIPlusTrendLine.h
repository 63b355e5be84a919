// A translucent chart of up to five integer series, each holding its last 100 values,
// rendered into a cached ARGB bitmap on change and only copied to the parent when painted.
#pragma once
#include "controls/GdiPlus.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "controls/ColorUnit.h"
#include "controls/PremultipliedPicture.h"
#include "ui/Control.h"
#include "ui/Dpi.h"

using Gdiplus::LinearGradientMode;

constexpr int kTrendLineCount = 5;
constexpr int kTrendHistory = 100;

// Where grid lines fall along one axis: origin + size, origin + 2 size, ... while below
// origin + extent. A size below 1 is taken as 1, so the stepping always ends.
std::vector<int> GridLinePositions(int origin, int extent, int gridSize);

// The plot area of the traces: the whole chart, or one pixel less on each side under a border.
Gdiplus::Rect TrendPlotRect(int width, int height, bool showBorder);

// The c + 2 points of one trace: the bottom edge under the oldest value, one point per
// value (newest at plot.X + 99 x step), the bottom-right corner. max must differ from min.
std::vector<Gdiplus::PointF> TrendPoints(const Gdiplus::Rect& plot, const std::deque<int>& values,
                                         int max, int min);

class TQvGDIPlusTrendLine : public TControl {
 public:
  explicit TQvGDIPlusTrendLine(TComponent* Owner);
  ~TQvGDIPlusTrendLine() override;

  // Appends a value to line 1..5 (other indexes are ignored); keeps at most 100. Renders
  // and repaints with AutoDraw on, unless the picture is already what it would render.
  void AddValue(int Line, int Value);
  void ClearValues(int Line);
  // Renders the whole picture into a new cached bitmap.
  void Rebuild();

  // Values of line 1..5, oldest first (empty for other indexes).
  const std::deque<int>& Values(int Line) const;
  // The last rendered picture, or null before the first render or at zero size.
  Gdiplus::Bitmap* CachedBitmap() const { return cache_.get(); }
  // How many times the picture has been rendered.
  int RenderCount() const { return renderCount_; }

  bool AutoDraw() const { return autoDraw_; }
  void SetAutoDraw(bool Value);
  int Max() const { return max_; }
  void SetMax(int Value);
  int Min() const { return min_; }
  void SetMin(int Value);
  bool ShowBorder() const { return showBorder_; }
  void SetShowBorder(bool Value);
  TColor BorderColor1() const { return borderColor1_; }
  void SetBorderColor1(TColor Value);
  TColor BorderColor2() const { return borderColor2_; }
  void SetBorderColor2(TColor Value);
  int BorderAlpha() const { return borderAlpha_; }
  void SetBorderAlpha(int Value);
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool Value);
  int GridSize() const { return gridSize_; }
  void SetGridSize(int Value);
  TColor GridColor() const { return gridColor_; }
  void SetGridColor(TColor Value);
  int GridColorAlpha() const { return gridColorAlpha_; }
  void SetGridColorAlpha(int Value);
  bool ShowBackColor() const { return showBackColor_; }
  void SetShowBackColor(bool Value);
  LinearGradientMode BackColorMode() const { return backColorMode_; }
  void SetBackColorMode(LinearGradientMode Value);
  TColor BackColor1() const { return backColor1_; }
  void SetBackColor1(TColor Value);
  TColor BackColor2() const { return backColor2_; }
  void SetBackColor2(TColor Value);
  int BackColorAlpha() const { return backColorAlpha_; }
  void SetBackColorAlpha(int Value);

  // Per-line properties by index 1..5; other indexes read as 0/false and write nothing.
  // The colour setters only store: the colours show at the next render.
  TColor LineColor1(int Line) const;
  void SetLineColor1(int Line, TColor Value);
  TColor LineColor2(int Line) const;
  void SetLineColor2(int Line, TColor Value);
  bool LineFill(int Line) const;
  void SetLineFill(int Line, bool Value);
  bool LineVisible(int Line) const;
  void SetLineVisible(int Line, bool Value);
  int LineAlpha(int Line) const;
  void SetLineAlpha(int Line, int Value);
  // Kept for the forms that set it; the picture does not use it.
  int LineFillAlpha(int Line) const;
  void SetLineFillAlpha(int Line, int Value);
  int LineWidth(int Line) const;
  void SetLineWidth(int Line, int Value);

#define QV_TRENDLINE_LINE_PROPS(n)                                                        \
  TColor Line##n##Color1() const { return LineColor1(n); }                                 \
  void SetLine##n##Color1(TColor v) { SetLineColor1(n, v); }                               \
  TColor Line##n##Color2() const { return LineColor2(n); }                                 \
  void SetLine##n##Color2(TColor v) { SetLineColor2(n, v); }                               \
  bool Line##n##Fill() const { return LineFill(n); }                                       \
  void SetLine##n##Fill(bool v) { SetLineFill(n, v); }                                     \
  bool Line##n##Visible() const { return LineVisible(n); }                                 \
  void SetLine##n##Visible(bool v) { SetLineVisible(n, v); }                               \
  int Line##n##Alpha() const { return LineAlpha(n); }                                      \
  void SetLine##n##Alpha(int v) { SetLineAlpha(n, v); }                                    \
  int LineFill##n##Alpha() const { return LineFillAlpha(n); }                              \
  void SetLineFill##n##Alpha(int v) { SetLineFillAlpha(n, v); }                            \
  int Line##n##Width() const { return LineWidth(n); }                                      \
  void SetLine##n##Width(int v) { SetLineWidth(n, v); }
  QV_TRENDLINE_LINE_PROPS(1)
  QV_TRENDLINE_LINE_PROPS(2)
  QV_TRENDLINE_LINE_PROPS(3)
  QV_TRENDLINE_LINE_PROPS(4)
  QV_TRENDLINE_LINE_PROPS(5)
#undef QV_TRENDLINE_LINE_PROPS

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Grid spacing and line widths scale with the bounds, from the values last given to them.
  void ChangeScale(int M, int D) override;
  // Draws the cached picture only; painting never renders.
  void Paint(TCanvas& Canvas) override;
  // A chart shows nothing when the mouse is over it.
  bool WantsMouseLeave() const override { return false; }

 private:
  struct Line {
    std::deque<int> values;
    TColor color1 = 0;
    TColor color2 = 0;
    bool fill = false;
    bool visible = false;
    int alpha = 0;
    int fillAlpha = 0;
    int width = 1;
    dpi::GivenMeasure givenWidth{1};
  };

  static bool ValidLine(int line) { return line >= 1 && line <= kTrendLineCount; }
  Line* LineAt(int line);
  const Line* LineAt(int line) const;
  // Stores a changed value and, with AutoDraw on, renders and repaints.
  template <class T>
  void Change(T& field, T value);
  void RebuildIfAutoDraw();
  // Renders background and traces into cache_, or leaves it null at zero size or when GDI+
  // refuses a bitmap.
  void RenderCache();
  void DrawTrend(const Gdiplus::Rect& chart, Line& line);
  // Colours the shape in mask_ over the picture (see CoverageBlend.h) and clears the
  // mask; false when the pixels cannot be locked.
  bool BlendMask(const std::vector<std::uint32_t>& rowColours);

  // Everything the layer behind the traces depends on. The traces change every tick, the
  // background, grid and border almost never, and under a software GDI+ those three cost
  // as much as the traces, so they are rendered once into their own bitmap and copied.
  struct BackgroundKey {
    int width = 0, height = 0;
    bool showBackColor = false;
    LinearGradientMode backColorMode = Gdiplus::LinearGradientModeVertical;
    TColor backColor1 = 0, backColor2 = 0;
    int backColorAlpha = 0;
    bool showGrid = false;
    int gridSize = 0;
    TColor gridColor = 0;
    int gridColorAlpha = 0;
    bool showBorder = false;
    TColor borderColor1 = 0, borderColor2 = 0;
    int borderAlpha = 0;
    bool operator==(const BackgroundKey&) const = default;
  };
  BackgroundKey CurrentBackgroundKey() const;
  std::unique_ptr<Gdiplus::Bitmap> RenderBackground() const;

  bool initialised_ = false;
  bool showBorder_ = true;
  TColor borderColor1_ = 0x408000;
  TColor borderColor2_ = 0xFFFFFF;
  int borderAlpha_ = 128;
  int max_ = 100;
  int min_ = 0;
  bool showGrid_ = true;
  int gridSize_ = 10;
  dpi::GivenMeasure givenGridSize_{10};
  int dpi_ = dpi::kDesignDpi;  // the DPI the measures are at now, from the ChangeScale calls
  TColor gridColor_ = 0x408000;
  int gridColorAlpha_ = 128;
  bool showBackColor_ = true;
  LinearGradientMode backColorMode_ = Gdiplus::LinearGradientModeVertical;
  TColor backColor1_ = 0x000000;
  TColor backColor2_ = 0xFFFFFF;
  int backColorAlpha_ = 128;
  std::array<Line, kTrendLineCount> lines_;
  bool autoDraw_ = true;
  std::unique_ptr<Gdiplus::Bitmap> cache_;
  std::unique_ptr<Gdiplus::Bitmap> background_;
  std::unique_ptr<Gdiplus::Bitmap> mask_;  // one shape's coverage, clear between shapes
  TPremultipliedPicture ready_;            // cache_ as painting blends it
  BackgroundKey backgroundKey_;
  int renderCount_ = 0;
  bool pictureCurrent_ = false;  // cache_ shows every value and property as they are now
};
