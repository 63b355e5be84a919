#include "ui/Control.h"

#include "ui/Dpi.h"
#include "ui/WinControl.h"

TControl::TControl(TComponent* Owner) : TComponent(Owner) {
  font_.OnChange = [this](TFont*) { FontChanged(); };
}

TControl::~TControl() {
  if (parent_) SetParent(nullptr);
}

void TControl::SetParent(TWinControl* Parent) {
  if (Parent == parent_) return;
  if (parent_) {
    Invalidate();
    parent_->RemoveControl(this);
  }
  parent_ = Parent;
  if (parent_) {
    parent_->InsertControl(this);
    if (align_ != alNone) parent_->Realign();
    Invalidate();
  }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  Invalidate();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  Invalidate();
}

void TControl::SetAlign(TAlign Value) {
  if (Value == align_) return;
  align_ = Value;
  if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool Value) {
  if (Value == visible_) return;
  visible_ = Value;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  // Invalidate() skips hidden controls, so the uncovered rectangle is asked for directly.
  if (parent_ && parent_->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, FALSE);
  }
}

void TControl::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  EnabledChanged();
}

void TControl::SetCaption(const std::string& Value) {
  if (Value == caption_) return;
  caption_ = Value;
  CaptionChanged();
}

void TControl::SetColor(TColor Value) {
  if (Value == color_) return;
  color_ = Value;
  Invalidate();
}

void TControl::Invalidate() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  RECT r = BoundsRect();
  InvalidateRect(parent_->Handle(), &r, FALSE);
}

void TControl::Update() {
  if (parent_ && parent_->HandleAllocated()) UpdateWindow(parent_->Handle());
}

POINT TControl::ClientToScreen(POINT P) const {
  if (Windowed()) {
    auto* self = static_cast<TWinControl*>(const_cast<TControl*>(this));
    ::ClientToScreen(self->Handle(), &P);
    return P;
  }
  if (!parent_) return P;
  return parent_->ClientToScreen({P.x + left_, P.y + top_});
}

POINT TControl::ScreenToClient(POINT P) const {
  if (Windowed()) {
    auto* self = static_cast<TWinControl*>(const_cast<TControl*>(this));
    ::ScreenToClient(self->Handle(), &P);
    return P;
  }
  if (!parent_) return P;
  POINT q = parent_->ScreenToClient(P);
  return {q.x - left_, q.y - top_};
}

void TControl::Paint(TCanvas&) {}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::ChangeScale(int M, int D) {
  if (M == D) return;
  SetBounds(dpi::Scale(left_, M, D), dpi::Scale(top_, M, D), dpi::Scale(width_, M, D),
            dpi::Scale(height_, M, D));
  font_.SetHeight(dpi::Scale(font_.Height(), M, D));
}
