#include "controls/DockButton.h"

#include <algorithm>
#include <cmath>

#include "controls/GdiPlusUtil.h"
#include "ui/Dpi.h"
#include "util/AnsiText.h"
#include "util/QvFileService.h"

namespace {

// Clears a ready mark for the length of a load or render and sets it again on every exit.
class NotReady {
 public:
  explicit NotReady(bool& ready) : ready_(ready) { ready_ = false; }
  ~NotReady() { ready_ = true; }
  NotReady(const NotReady&) = delete;
  NotReady& operator=(const NotReady&) = delete;

 private:
  bool& ready_;
};

Gdiplus::RectF ToRectF(const Gdiplus::Rect& r) {
  return Gdiplus::RectF(static_cast<Gdiplus::REAL>(r.X), static_cast<Gdiplus::REAL>(r.Y),
                        static_cast<Gdiplus::REAL>(r.Width), static_cast<Gdiplus::REAL>(r.Height));
}

}  // namespace

int DockButtonPictureSlot(int state, const std::array<bool, 4>& hasPicture) {
  if (state >= 0 && state < 4 && hasPicture[static_cast<size_t>(state)]) return state;
  return hasPicture[dbsNormal] ? dbsNormal : -1;
}

float StripFrameWidth(unsigned stripWidth, int frames) {
  return frames > 0 ? static_cast<float>(stripWidth) / static_cast<float>(frames) : 0.0f;
}

int StripFrameBitmapWidth(float frameWidth) { return static_cast<int>(std::nearbyint(frameWidth)); }

Gdiplus::Rect NormalDrawRect(int width, int height, int pictureWidth, int pictureHeight) {
  return Gdiplus::Rect(0, 0, std::min(width, pictureWidth), std::min(height, pictureHeight));
}

TDockButtonState StateAfterMouseUp(int x, int y, int width, int height) {
  return (x >= 0 && x <= width && y >= 0 && y <= height) ? dbsHot : dbsNormal;
}

TPCDockButton::TPCDockButton(TComponent* Owner) : TControl(Owner) {
  SetCaption(Name());
  Font()->SetName("Tahoma");
  Font()->SetHeight(DesignFontHeight(8));  // scaled by the form like every design value
  mouseOverFont_.Assign(*Font());
  mouseOverFont_.OnChange = [this](TFont*) { FontChanged(); };
  ready_ = true;
  SetBounds(Left(), Top(), 105, 105);  // the paint box's default size
}

TPCDockButton::~TPCDockButton() = default;

template <class T>
void TPCDockButton::Change(T& field, T value) {
  if (field == value) return;
  field = value;
  Invalidate();
}

int TPCDockButton::RongeHue(int Index) const {
  return Index == 1 ? rongeHue1_ : Index == 2 ? rongeHue2_ : 0;
}

void TPCDockButton::SetRongeHue(int Index, int Value) {
  int* field = Index == 1 ? &rongeHue1_ : Index == 2 ? &rongeHue2_ : nullptr;
  if (!field || *field == Value) return;
  *field = Value;
  if (hueRongeMode_ != hrmNone) {
    RenderImage();
    Invalidate();
  }
}

void TPCDockButton::SetHueRongeMode(THueRongheMode Value) {
  if (hueRongeMode_ == Value) return;
  hueRongeMode_ = Value;
  RenderImage();
  Invalidate();
}

void TPCDockButton::SetBackColorMode(Gdiplus::LinearGradientMode Value) { Change(backColorMode_, Value); }
void TPCDockButton::SetBackGradColorAlpha(int Value) { Change(backGradColorAlpha_, Value); }
void TPCDockButton::SetBackGradColor(TColor Value) { Change(backGradColor_, Value); }
void TPCDockButton::SetBackColorAlpha(int Value) { Change(backColorAlpha_, Value); }
void TPCDockButton::SetBackColor(TColor Value) { Change(backColor_, Value); }
void TPCDockButton::SetShowBackColor(bool Value) { Change(showBackColor_, Value); }
void TPCDockButton::SetAlpha(int Value) { Change(alpha_, Value); }
void TPCDockButton::SetAlignment(Gdiplus::StringAlignment Value) { Change(alignment_, Value); }
void TPCDockButton::SetLayout(Gdiplus::StringAlignment Value) { Change(layout_, Value); }
void TPCDockButton::SetTextTopSpace(int Value) { Change(textTopSpace_, Value); }
void TPCDockButton::SetTextLeftSpace(int Value) { Change(textLeftSpace_, Value); }
void TPCDockButton::SetShadowAlpha(int Value) { Change(shadowAlpha_, Value); }
void TPCDockButton::SetShadowColor(TColor Value) { Change(shadowColor_, Value); }
void TPCDockButton::SetShowShadow(bool Value) { Change(showShadow_, Value); }
void TPCDockButton::SetMouseOverFontAlpha(int Value) { Change(mouseOverFontAlpha_, Value); }
void TPCDockButton::SetFontAlpha(int Value) { Change(fontAlpha_, Value); }
void TPCDockButton::SetTextRendering(Gdiplus::TextRenderingHint Value) { Change(textRendering_, Value); }

void TPCDockButton::SetImageQuality(int Value) {
  if (imageQuality_ == Value) return;
  imageQuality_ = Value;
  RenderImage();
  Invalidate();
}

void TPCDockButton::SetDrawMode(TQvImageDrawMode Value) {
  if (drawMode_ == Value) return;
  drawMode_ = Value;
  if (drawMode_ == idmAutoSize)
    AdjustSize();
  else
    RenderImage();
  Invalidate();
}

Gdiplus::Bitmap* TPCDockButton::StatePicture(int Slot) const {
  return Slot >= 0 && Slot < 4 ? pictures_[static_cast<size_t>(Slot)].get() : nullptr;
}

int TPCDockButton::CurrentSlot() const {
  std::array<bool, 4> has{};
  for (size_t i = 0; i < 4; ++i) has[i] = pictures_[i] != nullptr;
  return DockButtonPictureSlot(state_, has);
}

void TPCDockButton::RefreshPicture() {
  if (drawMode_ == idmAutoSize) {
    AdjustSize();
  } else {
    RenderImage();
    Invalidate();
  }
}

void TPCDockButton::LoadStatePicture(int slot, const std::string& path) {
  auto& stored = sources_[static_cast<size_t>(slot)];
  if (stored == path) return;
  stored = path;
  // A path that names no file keeps the button ready with what it had, as a button
  // that never had pictures is.
  if (!IsExistingFile(path)) return;
  {
    NotReady loading(ready_);
    pictures_[static_cast<size_t>(slot)] = LoadPictureFile(path);
  }
  // The state may be showing this slot through the fallback to the normal picture
  // (pressed without a pressed picture), so compare the slot actually shown.
  if (CurrentSlot() == slot) {
    AdjustSize();
    RenderImage();
    Invalidate();
  }
}

std::string TPCDockButton::StripSource(int Index) const {
  return Index >= 1 && Index <= 3 ? stripSources_[static_cast<size_t>(Index - 1)] : std::string();
}

void TPCDockButton::SetStripSource(int Index, const std::string& Value) {
  if (Index < 1 || Index > 3) return;
  auto& stored = stripSources_[static_cast<size_t>(Index - 1)];
  if (stored == Value) return;
  stored = Value;
  if (!IsExistingFile(Value)) return;
  {
    NotReady loading(ready_);
    for (auto& p : pictures_) p.reset();
    std::unique_ptr<Gdiplus::Bitmap> strip = LoadPictureFile(Value);
    if (PictureUsable(strip.get())) {
      const int frames = Index + 1;
      const float fw = StripFrameWidth(strip->GetWidth(), frames);
      const int bw = StripFrameBitmapWidth(fw);
      const auto h = static_cast<Gdiplus::REAL>(strip->GetHeight());
      static constexpr TDockButtonState kFrameState[4] = {dbsNormal, dbsHot, dbsPressed, dbsDisabled};
      for (int k = 0; k < frames; ++k) {
        std::unique_ptr<Gdiplus::Bitmap> frame = NewTransparentBitmap(bw, static_cast<int>(h));
        if (!frame) continue;
        {
          Gdiplus::Graphics g(frame.get());
          g.DrawImage(strip.get(), Gdiplus::RectF(0, 0, fw, h), k * fw, 0, fw, h, Gdiplus::UnitPixel);
        }
        pictures_[kFrameState[k]] = std::move(frame);
      }
    }
  }
  RefreshPicture();
  Invalidate();
}

void TPCDockButton::AdjustSize() {
  if (!ready_) return;
  const int slot = CurrentSlot();
  if (slot < 0) return;
  Gdiplus::Bitmap* pic = pictures_[static_cast<size_t>(slot)].get();
  // A picture that did not decode has no size to take: the button keeps its own.
  if (!PictureUsable(pic)) return;
  if (Loading() || drawMode_ != idmAutoSize) return;
  SetBounds(Left(), Top(), dpi::Scale(static_cast<int>(pic->GetWidth()), pictureDpi_),
            dpi::Scale(static_cast<int>(pic->GetHeight()), pictureDpi_));
}

void TPCDockButton::RenderImage() {
  const int slot = CurrentSlot();
  if (slot < 0 || !ready_) return;
  NotReady rendering(ready_);
  ++renderCount_;
  Gdiplus::Bitmap* pic = pictures_[static_cast<size_t>(slot)].get();
  cache_ = NewTransparentBitmap(Width(), Height());
  if (!cache_) return;
  {
    Gdiplus::Graphics g(cache_.get());
    g.SetInterpolationMode(static_cast<Gdiplus::InterpolationMode>(imageQuality_));
    const int pw = static_cast<int>(pic->GetWidth());
    const int ph = static_cast<int>(pic->GetHeight());
    const Gdiplus::RectF whole(0, 0, static_cast<Gdiplus::REAL>(pw), static_cast<Gdiplus::REAL>(ph));
    switch (drawMode_) {
      case idmNormal:
        g.DrawImage(pic,
                    ToRectF(NormalDrawRect(Width(), Height(), dpi::Scale(pw, pictureDpi_),
                                           dpi::Scale(ph, pictureDpi_))),
                    whole.X, whole.Y,
                    whole.Width, whole.Height, Gdiplus::UnitPixel);
        break;
      case idmStretch:
      case idmAutoSize:
        g.DrawImage(pic, Gdiplus::RectF(0, 0, static_cast<Gdiplus::REAL>(Width()),
                                        static_cast<Gdiplus::REAL>(Height())),
                    whole.X, whole.Y, whole.Width, whole.Height, Gdiplus::UnitPixel);
        break;
      case idmFill: {
        Gdiplus::TextureBrush brush(pic, Gdiplus::WrapModeTile);
        g.FillRectangle(&brush, 0, 0, static_cast<INT>(cache_->GetWidth()),
                        static_cast<INT>(cache_->GetHeight()));
        break;
      }
    }
  }
  if (hueRongeMode_ != hrmNone) ShiftHueOfCache();
}

void TPCDockButton::ShiftHueOfCache() {
  Gdiplus::Rect whole(0, 0, static_cast<INT>(cache_->GetWidth()), static_cast<INT>(cache_->GetHeight()));
  Gdiplus::BitmapData data{};
  if (cache_->LockBits(&whole, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite,
                       PixelFormat32bppARGB, &data) != Gdiplus::Ok)
    return;
  ShiftHueOfPixels(static_cast<std::uint8_t*>(data.Scan0), static_cast<int>(data.Width),
                   static_cast<int>(data.Height), data.Stride, hueRongeMode_, rongeHue1_, rongeHue2_);
  cache_->UnlockBits(&data);
}

void TPCDockButton::ChangeScale(int M, int D) {
  if (M == D) return;
  pictureDpi_ = dpi::Scale(pictureDpi_, M, D);
  mouseOverFont_.SetHeight(dpi::Scale(mouseOverFont_.Height(), M, D));
  TControl::ChangeScale(M, D);  // the new bounds render the picture at the new scale
}

void TPCDockButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  RenderImage();
  Invalidate();
}

void TPCDockButton::Loaded() {
  TControl::Loaded();
  AdjustSize();
}

void TPCDockButton::Paint(TCanvas& Canvas) {
  if (cache_) {
    Gdiplus::Graphics g(Canvas.Handle());
    const Gdiplus::Rect r(0, 0, Width(), Height());
    if (showBackColor_) {
      Gdiplus::LinearGradientBrush brush(r, Argb(backColor_, backColorAlpha_),
                                         Argb(backGradColor_, backGradColorAlpha_), backColorMode_);
      g.FillRectangle(&brush, r);
    }
    const Gdiplus::RectF src(0, 0, static_cast<Gdiplus::REAL>(cache_->GetWidth()),
                             static_cast<Gdiplus::REAL>(cache_->GetHeight()));
    // At full opacity the cache is copied at its own size; otherwise it is fitted to the
    // button through the alpha matrix.
    const Gdiplus::RectF dst = alpha_ == 255 ? src : ToRectF(r);
    DrawPictureWithAlpha(g, cache_.get(), dst, src, alpha_);
  }
  if (!Caption().empty()) DrawCaption(Canvas);
}

void TPCDockButton::DrawCaption(TCanvas& Canvas) {
  if (!ready_) return;
  const bool hotFont = Enabled() && (state_ == dbsPressed || state_ == dbsHot);
  const TFont& font = hotFont ? mouseOverFont_ : *Font();
  std::unique_ptr<Gdiplus::Font> gfont = NewGdiPlusFont(
      font.Name(), static_cast<float>(font.Size()), static_cast<int>(font.Style() & 0xF));
  if (!gfont) return;
  Gdiplus::SolidBrush textBrush(Argb(font.Color(), 255));
  Gdiplus::StringFormat format(0, LANG_NEUTRAL);
  format.SetAlignment(alignment_);
  format.SetLineAlignment(layout_);

  Gdiplus::Graphics g(Canvas.Handle());
  g.SetTextRenderingHint(textRendering_);
  const std::wstring text = AnsiToWide(Caption());
  const auto len = static_cast<INT>(text.size());
  const auto w = static_cast<Gdiplus::REAL>(Width()), h = static_cast<Gdiplus::REAL>(Height());
  const auto dx = static_cast<Gdiplus::REAL>(textLeftSpace_);
  const auto dy = static_cast<Gdiplus::REAL>(textTopSpace_);
  if (showShadow_) {
    Gdiplus::SolidBrush shadow(Argb(shadowColor_, shadowAlpha_));
    g.DrawString(text.c_str(), len, gfont.get(), Gdiplus::RectF(1 + dx, 1 + dy, w, h), &format, &shadow);
  }
  g.DrawString(text.c_str(), len, gfont.get(), Gdiplus::RectF(dx, dy, w, h), &format, &textBrush);
}

void TPCDockButton::ChangeState(TDockButtonState state) {
  state_ = state;
  RefreshPicture();
}

void TPCDockButton::EnabledChanged() {
  TControl::EnabledChanged();
  ChangeState(Enabled() ? dbsNormal : dbsDisabled);
}

void TPCDockButton::MouseEnter() {
  TControl::MouseEnter();
  if (!Enabled()) return;
  ChangeState(dbsHot);
  if (OnMouseEnter) OnMouseEnter(this);
}

void TPCDockButton::MouseLeave() {
  TControl::MouseLeave();
  if (!Enabled()) return;
  ChangeState(dbsNormal);
  if (OnMouseLeave) OnMouseLeave(this);
}

void TPCDockButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Enabled()) ChangeState(dbsPressed);
  TControl::MouseDown(Button, Shift, X, Y);
}

void TPCDockButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Enabled()) ChangeState(StateAfterMouseUp(X, Y, Width(), Height()));
  TControl::MouseUp(Button, Shift, X, Y);
}
