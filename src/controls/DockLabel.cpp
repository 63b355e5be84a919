#include "controls/DockLabel.h"

#include <memory>

#include "controls/GdiPlusUtil.h"
#include "ui/Dpi.h"
#include "util/AnsiText.h"
#include "util/ScopedHandles.h"

namespace {
// The label's own font rule: the face must exist; no substitute is taken, so a face GDI+
// cannot find gives no text (and FitToText keeps the size).
std::unique_ptr<Gdiplus::Font> LabelFont(const TFont& Font) {
  const std::wstring face = AnsiToWide(Font.Name());
  Gdiplus::FontFamily family(face.c_str());
  if (family.GetLastStatus() != Gdiplus::Ok) return nullptr;
  auto font = std::make_unique<Gdiplus::Font>(&family, static_cast<Gdiplus::REAL>(Font.Size()),
                                              static_cast<INT>(Font.Style()), Gdiplus::UnitPoint);
  if (font->GetLastStatus() != Gdiplus::Ok) return nullptr;
  return font;
}
}  // namespace

TPCDockLabel::TPCDockLabel(TComponent* Owner) : TControl(Owner) {
  SetCaption(Name());
  Font()->SetName("Tahoma");
  Font()->SetHeight(DesignFontHeight(8));  // scaled by the form like every design value
  mouse_over_font_.Assign(*Font());
  mouse_over_font_.OnChange = [this](TFont*) { FontChanged(); };
  SetBounds(Left(), Top(), 105, 105);  // the paint box's default size, until the text fits
  initialised_ = true;
}

void TPCDockLabel::SetAutoSize(bool Value) {
  if (Value == auto_size_) return;
  auto_size_ = Value;
  FitToText();
}

const TFont& TPCDockLabel::CurrentFont() const { return mouse_over_ ? mouse_over_font_ : *Font(); }

Gdiplus::Font* TPCDockLabel::GdiPlusFont(const TFont& Font) {
  CachedFont& c = &Font == &mouse_over_font_ ? mouse_over_font_cache_ : font_cache_;
  if (!c.Made || c.Name != Font.Name() || c.Size != Font.Size() || c.Style != Font.Style()) {
    c.Font = LabelFont(Font);
    c.Name = Font.Name();
    c.Size = Font.Size();
    c.Style = Font.Style();
    c.Made = true;
  }
  return c.Font.get();
}

Gdiplus::Graphics* TPCDockLabel::MeasuringGraphics() {
  if (!measure_graphics_) {
    measure_dc_.reset(CreateCompatibleDC(nullptr));
    if (!measure_dc_) return nullptr;
    auto g = std::make_unique<Gdiplus::Graphics>(measure_dc_.get());
    if (g->GetLastStatus() != Gdiplus::Ok) return nullptr;
    measure_graphics_ = std::move(g);
  }
  return measure_graphics_.get();
}

void TPCDockLabel::FitToText() {
  if (!initialised_ || Loading() || !auto_size_) return;
  Gdiplus::Font* font = GdiPlusFont(CurrentFont());
  Gdiplus::Graphics* g = font ? MeasuringGraphics() : nullptr;
  if (!g) return;
  Gdiplus::StringFormat format(0, LANG_NEUTRAL);
  format.SetAlignment(alignment_);
  format.SetLineAlignment(layout_);
  const std::wstring text = AnsiToWide(Caption());
  Gdiplus::RectF box;
  if (g->MeasureString(text.c_str(), static_cast<INT>(text.size()), font,
                       Gdiplus::RectF(0, 0, 1000, 1000), &format, &box) != Gdiplus::Ok)
    return;
  SetBounds(Left(), Top(), static_cast<int>(box.Width) + 1, static_cast<int>(box.Height) + 1);
}

void TPCDockLabel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  // The base asks for a repaint of the old and the new rectangle when they differ; a
  // caption that fits the same box (every percent of a run) asks for nothing more here.
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TPCDockLabel::Paint(TCanvas& Canvas) {
  if (!initialised_) return;
  Gdiplus::Graphics g(Canvas.Handle());
  const bool over = mouse_over_;
  const TFont& chosen = CurrentFont();
  Gdiplus::Font* font = GdiPlusFont(chosen);
  Gdiplus::SolidBrush text_brush(Argb(chosen.Color(), over ? mouse_over_font_alpha_ : font_alpha_));
  Gdiplus::StringFormat format(0, LANG_NEUTRAL);
  format.SetAlignment(alignment_);
  format.SetLineAlignment(layout_);
  format.SetTrimming(Gdiplus::StringTrimmingEllipsisWord);
  g.SetTextRenderingHint(text_rendering_);

  const Gdiplus::RectF client(0, 0, static_cast<Gdiplus::REAL>(Width()),
                              static_cast<Gdiplus::REAL>(Height()));
  if (show_back_color_) {
    Gdiplus::LinearGradientBrush back(client, Argb(back_color_, back_color_alpha_),
                                      Argb(back_grad_color_, back_grad_color_alpha_),
                                      back_color_mode_);
    g.FillRectangle(&back, client);
  }
  if (!font) return;
  const std::wstring text = AnsiToWide(Caption());
  const INT length = static_cast<INT>(text.size());
  if (show_shadow_) {
    Gdiplus::SolidBrush shadow(Argb(shadow_color_, shadow_alpha_));
    Gdiplus::RectF moved(client.X + 1, client.Y + 1, client.Width, client.Height);
    g.DrawString(text.c_str(), length, font, moved, &format, &shadow);
  }
  g.DrawString(text.c_str(), length, font, client, &format, &text_brush);
}

void TPCDockLabel::ChangeScale(int M, int D) {
  if (M == D) return;
  mouse_over_font_.SetHeight(dpi::Scale(mouse_over_font_.Height(), M, D));
  TControl::ChangeScale(M, D);
}

void TPCDockLabel::FontChanged() {
  TControl::FontChanged();
  Invalidate();
  FitToText();
}

void TPCDockLabel::CaptionChanged() {
  Invalidate();
  FitToText();
}

void TPCDockLabel::Loaded() {
  TControl::Loaded();
  FitToText();
}

void TPCDockLabel::MouseEnter() {
  TControl::MouseEnter();
  mouse_over_ = true;
  Invalidate();
  FitToText();
  if (OnMouseEnter) OnMouseEnter(this);
}

void TPCDockLabel::MouseLeave() {
  TControl::MouseLeave();
  mouse_over_ = false;
  Invalidate();
  FitToText();
  if (OnMouseLeave) OnMouseLeave(this);
}
