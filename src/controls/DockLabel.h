// TPCDockLabel: windowless GDI+ text with its own alpha, an optional one-pixel shadow and
// gradient background, a second font while the mouse is over it, and sizing to its text.
// It keeps no cached picture: every paint draws the text afresh.
#pragma once
#include "controls/GdiPlus.h"

#include <memory>
#include <string>

#include "controls/ColorUnit.h"
#include "ui/Control.h"
#include "util/ScopedHandles.h"

using Gdiplus::LinearGradientMode;
using Gdiplus::StringAlignment;
using Gdiplus::TextRenderingHint;

class TPCDockLabel : public TControl {
 public:
  explicit TPCDockLabel(TComponent* Owner);

  LinearGradientMode BackColorMode() const { return back_color_mode_; }
  void SetBackColorMode(LinearGradientMode Value) { Set(back_color_mode_, Value); }
  int BackGradColorAlpha() const { return back_grad_color_alpha_; }
  void SetBackGradColorAlpha(int Value) { Set(back_grad_color_alpha_, Value); }
  TColor BackGradColor() const { return back_grad_color_; }
  void SetBackGradColor(TColor Value) { Set(back_grad_color_, Value); }
  int BackColorAlpha() const { return back_color_alpha_; }
  void SetBackColorAlpha(int Value) { Set(back_color_alpha_, Value); }
  TColor BackColor() const { return back_color_; }
  void SetBackColor(TColor Value) { Set(back_color_, Value); }
  bool ShowBackColor() const { return show_back_color_; }
  void SetShowBackColor(bool Value) { Set(show_back_color_, Value); }
  int ShadowAlpha() const { return shadow_alpha_; }
  void SetShadowAlpha(int Value) { Set(shadow_alpha_, Value); }
  TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(TColor Value) { Set(shadow_color_, Value); }
  bool ShowShadow() const { return show_shadow_; }
  void SetShowShadow(bool Value) { Set(show_shadow_, Value); }
  int MouseOverFontAlpha() const { return mouse_over_font_alpha_; }
  void SetMouseOverFontAlpha(int Value) { Set(mouse_over_font_alpha_, Value); }
  int FontAlpha() const { return font_alpha_; }
  void SetFontAlpha(int Value) { Set(font_alpha_, Value); }
  // The owned mouse-over font; changing it (or assigning one) acts like a change of Font.
  TFont* MouseOverFont() { return &mouse_over_font_; }
  void SetMouseOverFont(const TFont& Value) { mouse_over_font_.Assign(Value); }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  StringAlignment Alignment() const { return alignment_; }
  void SetAlignment(StringAlignment Value) { Set(alignment_, Value); }
  StringAlignment Layout() const { return layout_; }
  void SetLayout(StringAlignment Value) { Set(layout_, Value); }
  // Kept and repainted on change; the text wraps at word boundaries either way.
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool Value) { Set(word_wrap_, Value); }
  TextRenderingHint TextRendering() const { return text_rendering_; }
  void SetTextRendering(TextRenderingHint Value) { Set(text_rendering_, Value); }
  bool MouseOver() const { return mouse_over_; }

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // With AutoSize (and not while loading) sizes the control to its caption plus one pixel
  // each way, keeping the top-left corner. A font GDI+ cannot measure keeps the size.
  virtual void FitToText();

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void ChangeScale(int M, int D) override;
  void Paint(TCanvas& Canvas) override;
  void MouseEnter() override;
  void MouseLeave() override;

 protected:
  void FontChanged() override;
  void CaptionChanged() override;
  void Loaded() override;

 private:
  template <class T>
  void Set(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Invalidate();
  }
  // The font in use now: MouseOverFont while the mouse is over the label, else Font.
  const TFont& CurrentFont() const;
  // The GDI+ font for `Font` (null for a face GDI+ cannot find), made once per face, size
  // and style: under Wine finding a family and making a font takes longer than drawing
  // the label's few characters, and the value lines change every second.
  Gdiplus::Font* GdiPlusFont(const TFont& Font);
  // Measures on a memory DC of the screen's resolution kept for the label's life: taking
  // the screen DC and making a Graphics for it for every caption cost ~0.2 ms each time.
  Gdiplus::Graphics* MeasuringGraphics();

  struct CachedFont {
    bool Made = false;
    std::string Name;
    int Size = 0;
    TFontStyles Style = 0;
    std::unique_ptr<Gdiplus::Font> Font;
  };
  CachedFont font_cache_, mouse_over_font_cache_;
  UniqueMemDC measure_dc_;
  std::unique_ptr<Gdiplus::Graphics> measure_graphics_;

  bool initialised_ = false;
  bool show_back_color_ = false;
  LinearGradientMode back_color_mode_ = Gdiplus::LinearGradientModeVertical;
  TColor back_color_ = 0;
  int back_color_alpha_ = 0;
  TColor back_grad_color_ = 0xFFFFFF;
  int back_grad_color_alpha_ = 0;
  TextRenderingHint text_rendering_ = Gdiplus::TextRenderingHintClearTypeGridFit;
  bool mouse_over_ = false;
  bool auto_size_ = true;
  StringAlignment alignment_ = Gdiplus::StringAlignmentCenter;
  StringAlignment layout_ = Gdiplus::StringAlignmentCenter;
  TFont mouse_over_font_;
  bool word_wrap_ = false;
  bool show_shadow_ = false;
  TColor shadow_color_ = 0;
  int shadow_alpha_ = 192;
  int font_alpha_ = 255;
  int mouse_over_font_alpha_ = 255;
};
