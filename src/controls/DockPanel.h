// TpcDockPanel: the windowless dock surface (title strip of the monitor window, colour
// swatches of the options dialog). It paints on its parent after the parent.
#pragma once
#include "controls/DockSurface.h"

class TpcDockPanel : public TDockSurface<TControl> {
 public:
  // Initial look as TDockLook gives it, at the default size of 105 x 105.
  explicit TpcDockPanel(TComponent* Owner);
};
