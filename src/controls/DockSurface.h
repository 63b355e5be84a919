// The look shared by the dock container and the dock panel: a translucent gradient
// background, a gradient border and an optional picture stretched over the control,
// rendered into a cached ARGB picture on change and only drawn when painted.
#pragma once
#include "controls/GdiPlus.h"

#include <memory>
#include <string>

#include "controls/ColorUnit.h"
#include "controls/GdiPlusUtil.h"
#include "controls/PremultipliedPicture.h"
#include "ui/Control.h"

using Gdiplus::LinearGradientMode;

// Values that decide the picture, as plain data.
struct TDockLook {
  TColor BorderColor1 = 0x008000;
  TColor BorderColor2 = 0x00FFFF;
  int BorderAlpha = 100;
  bool ShowBorder = true;
  TColor BackColor1 = 0xFF0000;
  TColor BackColor2 = 0xFF0000;
  int BackColorAlpha = 100;
  LinearGradientMode BackColorMode = Gdiplus::LinearGradientModeVertical;
  bool ShowBackColor = true;
  bool ShowImage = false;
};

// The picture of a Width x Height control: background, border (a pen of PenWidth centred
// on the outline), then Image stretched over everything when shown. Null for a zero side.
std::unique_ptr<Gdiplus::Bitmap> RenderDockPicture(const TDockLook& Look, int Width, int Height,
                                                   float PenWidth, Gdiplus::Bitmap* Image);

// Both controls: Base is TWinControl for the container and TControl for the panel.
template <class Base>
class TDockSurface : public Base {
 public:
  explicit TDockSurface(TComponent* Owner) : Base(Owner) {}

  TColor BorderColor1() const { return look_.BorderColor1; }
  void SetBorderColor1(TColor Value) { Set(look_.BorderColor1, Value); }
  TColor BorderColor2() const { return look_.BorderColor2; }
  void SetBorderColor2(TColor Value) { Set(look_.BorderColor2, Value); }
  // Indexed access to the pairs: 1 or 2; other indexes read 0 and change nothing.
  TColor BorderColor(int Index) const { return Pick(Index, look_.BorderColor1, look_.BorderColor2); }
  void SetBorderColor(int Index, TColor Value) {
    if (Index == 1) SetBorderColor1(Value);
    if (Index == 2) SetBorderColor2(Value);
  }
  int BorderAlpha() const { return look_.BorderAlpha; }
  void SetBorderAlpha(int Value) { Set(look_.BorderAlpha, Value); }
  bool ShowBorder() const { return look_.ShowBorder; }
  void SetShowBorder(bool Value) { Set(look_.ShowBorder, Value); }
  TColor BackColor1() const { return look_.BackColor1; }
  void SetBackColor1(TColor Value) { Set(look_.BackColor1, Value); }
  TColor BackColor2() const { return look_.BackColor2; }
  void SetBackColor2(TColor Value) { Set(look_.BackColor2, Value); }
  TColor BackColor(int Index) const { return Pick(Index, look_.BackColor1, look_.BackColor2); }
  void SetBackColor(int Index, TColor Value) {
    if (Index == 1) SetBackColor1(Value);
    if (Index == 2) SetBackColor2(Value);
  }
  int BackColorAlpha() const { return look_.BackColorAlpha; }
  void SetBackColorAlpha(int Value) { Set(look_.BackColorAlpha, Value); }
  LinearGradientMode BackColorMode() const { return look_.BackColorMode; }
  void SetBackColorMode(LinearGradientMode Value) { Set(look_.BackColorMode, Value); }
  bool ShowBackColor() const { return look_.ShowBackColor; }
  void SetShowBackColor(bool Value) { Set(look_.ShowBackColor, Value); }
  bool ShowImage() const { return look_.ShowImage; }
  void SetShowImage(bool Value) { Set(look_.ShowImage, Value); }
  const std::string& ImageSource() const { return image_source_; }
  // Loads the file when it exists; a missing file only changes the stored text.
  void SetImageSource(const std::string& Value);

  // The last rendered picture (null before the first render or at zero size), the loaded
  // image, and how often the picture was rendered.
  Gdiplus::Bitmap* CachedPicture() const { return picture_.get(); }
  Gdiplus::Bitmap* Image() const { return image_.get(); }
  int RenderCount() const { return render_count_; }

  void Render() {
    picture_.reset();
    ++render_count_;
    picture_ = RenderDockPicture(look_, this->Width(), this->Height(), BorderPenWidth(), image_.get());
    if (picture_)
      ready_.Assign(*picture_);  // empties it when it fails: Paint then takes picture_ itself
    else
      ready_.Clear();
  }

  void Paint(TCanvas& Canvas) override {
    if (!ready_.Empty())
      ready_.Draw(Canvas.Handle());
    else if (picture_)
      DrawPictureClipped(Canvas.Handle(), *picture_);
  }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override {
    Base::SetBounds(ALeft, ATop, AWidth, AHeight);
    Render();
    if (RepaintAfterBounds()) this->Invalidate();
  }

 protected:
  virtual float BorderPenWidth() const { return 2.0f; }
  // The panel asks for a repaint after a bounds change; the container's window repaints
  // itself when it is moved or sized.
  virtual bool RepaintAfterBounds() const { return true; }
  void Changed() {
    Render();
    this->Invalidate();
  }

 private:
  template <class T>
  void Set(T& Field, const T& Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }
  static TColor Pick(int Index, TColor First, TColor Second) {
    return Index == 1 ? First : Index == 2 ? Second : 0;
  }

  TDockLook look_;
  std::string image_source_;
  std::unique_ptr<Gdiplus::Bitmap> image_;
  std::unique_ptr<Gdiplus::Bitmap> picture_;
  TPremultipliedPicture ready_;  // picture_ as painting blends it
  int render_count_ = 0;
};

// Loads an image file for SetImageSource: null when the file does not exist.
std::unique_ptr<Gdiplus::Bitmap> LoadDockImage(const std::string& Path);

template <class Base>
void TDockSurface<Base>::SetImageSource(const std::string& Value) {
  if (Value == image_source_) return;
  image_source_ = Value;
  auto loaded = LoadDockImage(Value);
  if (!loaded) return;
  image_ = std::move(loaded);
  Changed();
}
