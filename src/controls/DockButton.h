// A windowless button drawn from pictures: one per state (normal, pressed, hot, disabled),
// from four files or cut from one strip of 2, 3 or 4 frames. The state's picture is
// rendered once into a cached bitmap of the button's size (optionally hue-shifted);
// painting draws that cache with an overall alpha, over an optional gradient, and the caption.
#pragma once
#include "controls/GdiPlus.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "controls/ColorUnit.h"
#include "controls/HueShift.h"
#include "ui/Control.h"

enum TQvImageDrawMode : std::uint8_t { idmNormal = 0, idmStretch = 1, idmAutoSize = 2, idmFill = 3 };

// Button states, which are also the slots of the state pictures.
enum TDockButtonState : std::uint8_t { dbsNormal = 0, dbsPressed = 1, dbsHot = 2, dbsDisabled = 3 };

// The slot whose picture a state shows: its own, else the normal one; -1 when neither exists.
int DockButtonPictureSlot(int state, const std::array<bool, 4>& hasPicture);

// Width of one frame of a strip holding `frames` frames, and the width of the bitmap that
// receives it (rounded to nearest, ties to even).
float StripFrameWidth(unsigned stripWidth, int frames);
int StripFrameBitmapWidth(float frameWidth);

// idmNormal: the picture at its own size in the top-left corner, shrunk along each side
// in which it is larger than the button.
Gdiplus::Rect NormalDrawRect(int width, int height, int pictureWidth, int pictureHeight);

// The state a mouse release at (x, y) leaves: hot inside the button (edges included),
// normal outside.
TDockButtonState StateAfterMouseUp(int x, int y, int width, int height);

class TPCDockButton : public TControl {
 public:
  explicit TPCDockButton(TComponent* Owner);
  ~TPCDockButton() override;

  // Hue values 0..240 by index 1 or 2 (other indexes read 0 and write nothing).
  int RongeHue(int Index) const;
  void SetRongeHue(int Index, int Value);
  int RongeHue1() const { return RongeHue(1); }
  void SetRongeHue1(int Value) { SetRongeHue(1, Value); }
  int RongeHue2() const { return RongeHue(2); }
  void SetRongeHue2(int Value) { SetRongeHue(2, Value); }
  THueRongheMode HueRongeMode() const { return hueRongeMode_; }
  void SetHueRongeMode(THueRongheMode Value);

  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  Gdiplus::LinearGradientMode BackColorMode() const { return backColorMode_; }
  void SetBackColorMode(Gdiplus::LinearGradientMode Value);
  int BackGradColorAlpha() const { return backGradColorAlpha_; }
  void SetBackGradColorAlpha(int Value);
  TColor BackGradColor() const { return backGradColor_; }
  void SetBackGradColor(TColor Value);
  int BackColorAlpha() const { return backColorAlpha_; }
  void SetBackColorAlpha(int Value);
  TColor BackColor() const { return backColor_; }
  void SetBackColor(TColor Value);
  bool ShowBackColor() const { return showBackColor_; }
  void SetShowBackColor(bool Value);
  int Alpha() const { return alpha_; }
  void SetAlpha(int Value);
  // A GDI+ InterpolationMode used when the picture is scaled into the cache.
  int ImageQuality() const { return imageQuality_; }
  void SetImageQuality(int Value);
  TQvImageDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TQvImageDrawMode Value);

  // Picture files of the states. A path naming no file is stored and loads nothing.
  const std::string& NormalSource() const { return sources_[dbsNormal]; }
  void SetNormalSource(const std::string& Value) { LoadStatePicture(dbsNormal, Value); }
  const std::string& MouseDownSource() const { return sources_[dbsPressed]; }
  void SetMouseDownSource(const std::string& Value) { LoadStatePicture(dbsPressed, Value); }
  const std::string& MouseOverSource() const { return sources_[dbsHot]; }
  void SetMouseOverSource(const std::string& Value) { LoadStatePicture(dbsHot, Value); }
  const std::string& DisabledSource() const { return sources_[dbsDisabled]; }
  void SetDisabledSource(const std::string& Value) { LoadStatePicture(dbsDisabled, Value); }

  // Strips by index: 1 two frames, 2 three, 3 four. Frames go to normal, hot, pressed,
  // disabled in that order, replacing every state picture.
  std::string StripSource(int Index) const;
  void SetStripSource(int Index, const std::string& Value);
  std::string TwoInOneSource() const { return StripSource(1); }
  void SetTwoInOneSource(const std::string& Value) { SetStripSource(1, Value); }
  std::string ThreeInOneSource() const { return StripSource(2); }
  void SetThreeInOneSource(const std::string& Value) { SetStripSource(2, Value); }
  std::string FourInOneSource() const { return StripSource(3); }
  void SetFourInOneSource(const std::string& Value) { SetStripSource(3, Value); }

  Gdiplus::StringAlignment Alignment() const { return alignment_; }
  void SetAlignment(Gdiplus::StringAlignment Value);
  Gdiplus::StringAlignment Layout() const { return layout_; }
  void SetLayout(Gdiplus::StringAlignment Value);
  int TextTopSpace() const { return textTopSpace_; }
  void SetTextTopSpace(int Value);
  int TextLeftSpace() const { return textLeftSpace_; }
  void SetTextLeftSpace(int Value);
  int ShadowAlpha() const { return shadowAlpha_; }
  void SetShadowAlpha(int Value);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor Value);
  bool ShowShadow() const { return showShadow_; }
  void SetShowShadow(bool Value);
  // Stored for forms that set them; the caption is always drawn opaque.
  int MouseOverFontAlpha() const { return mouseOverFontAlpha_; }
  void SetMouseOverFontAlpha(int Value);
  int FontAlpha() const { return fontAlpha_; }
  void SetFontAlpha(int Value);
  // The caption's font while the button is hot or pressed.
  TFont* MouseOverFont() { return &mouseOverFont_; }
  void SetMouseOverFont(const TFont& Value) { mouseOverFont_.Assign(Value); }
  Gdiplus::TextRenderingHint TextRendering() const { return textRendering_; }
  void SetTextRendering(Gdiplus::TextRenderingHint Value);

  int State() const { return state_; }
  // The loaded picture of a state slot (no fallback), or null.
  Gdiplus::Bitmap* StatePicture(int Slot) const;
  // The rendered picture of the current state, or null.
  Gdiplus::Bitmap* CachedPicture() const { return cache_.get(); }
  // How many times the cached picture has been rebuilt.
  int RenderCount() const { return renderCount_; }

  // Sizes the button to its picture when DrawMode is idmAutoSize.
  void AdjustSize();
  // Rebuilds the cached picture of the current state.
  void RenderImage();

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Pictures are drawn scaled by the same factor (they are made for 96 DPI).
  void ChangeScale(int M, int D) override;
  // The DPI pictures are drawn for (96: at their own size).
  int PictureDpi() const { return pictureDpi_; }
  void Paint(TCanvas& Canvas) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter() override;
  void MouseLeave() override;

 protected:
  void Loaded() override;
  void EnabledChanged() override;

 private:
  template <class T>
  void Change(T& field, T value);
  void LoadStatePicture(int slot, const std::string& path);
  int CurrentSlot() const;
  void ChangeState(TDockButtonState state);
  void RefreshPicture();
  void ShiftHueOfCache();
  void DrawCaption(TCanvas& Canvas);

  bool ready_ = false;
  int pictureDpi_ = 96;
  TQvImageDrawMode drawMode_ = idmAutoSize;
  TDockButtonState state_ = dbsNormal;
  std::array<std::unique_ptr<Gdiplus::Bitmap>, 4> pictures_;
  std::unique_ptr<Gdiplus::Bitmap> cache_;
  int imageQuality_ = Gdiplus::InterpolationModeHighQuality;
  int alpha_ = 255;
  bool showBackColor_ = false;
  TColor backColor_ = 0;
  int backColorAlpha_ = 255;
  TColor backGradColor_ = 0xFFFFFF;
  int backGradColorAlpha_ = 255;
  Gdiplus::LinearGradientMode backColorMode_ = Gdiplus::LinearGradientModeVertical;
  Gdiplus::StringAlignment alignment_ = Gdiplus::StringAlignmentCenter;
  Gdiplus::StringAlignment layout_ = Gdiplus::StringAlignmentCenter;
  int textTopSpace_ = 0;
  int textLeftSpace_ = 0;
  std::array<std::string, 4> sources_;
  std::array<std::string, 3> stripSources_;
  Gdiplus::TextRenderingHint textRendering_ = Gdiplus::TextRenderingHintClearTypeGridFit;
  TFont mouseOverFont_;
  int mouseOverFontAlpha_ = 255;
  int fontAlpha_ = 255;
  bool showShadow_ = false;
  TColor shadowColor_ = 0;
  int shadowAlpha_ = 192;
  THueRongheMode hueRongeMode_ = hrmNone;
  int rongeHue1_ = 0;
  int rongeHue2_ = 0;
  int renderCount_ = 0;
};
