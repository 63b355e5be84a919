// TpcDockContainer: the windowed, double-buffered dock surface that fills the monitor
// window; its windowless children paint their translucent pictures over its own.
#pragma once
#include "controls/DockSurface.h"
#include "ui/WinControl.h"

class TpcDockContainer : public TDockSurface<TWinControl> {
 public:
  // Initial look as TDockLook gives it, double-buffered, at the default size of 185 x 41.
  explicit TpcDockContainer(TComponent* Owner);

  // The panel's border width: 2 or more also widens the border pen to that width.
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int Value);

 protected:
  float BorderPenWidth() const override;
  bool RepaintAfterBounds() const override { return false; }
  // A class of its own with CS_HREDRAW | CS_VREDRAW: the border lies along the edges, so a
  // resize (a DPI change while the window is shown) must repaint the whole container, not
  // only the area the system sees as new.
  void CreateParams(TCreateParams& Params) override;

 private:
  int border_width_ = 0;
};
