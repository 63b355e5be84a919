#include "controls/DockContainer.h"

TpcDockContainer::TpcDockContainer(TComponent* Owner) : TDockSurface<TWinControl>(Owner) {
  SetDoubleBuffered(true);
  SetBounds(Left(), Top(), 185, 41);
}

void TpcDockContainer::SetBorderWidth(int Value) {
  if (Value == border_width_) return;
  border_width_ = Value;
  // The pen width is part of the picture, so the picture is made again at once.
  Changed();
}

float TpcDockContainer::BorderPenWidth() const {
  return border_width_ >= 2 ? static_cast<float>(border_width_) : 2.0f;
}

void TpcDockContainer::CreateParams(TCreateParams& Params) {
  TDockSurface<TWinControl>::CreateParams(Params);
  Params.WinClassName = "MemtideDockContainer";
  Params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
}
