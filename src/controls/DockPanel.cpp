#include "controls/DockPanel.h"

TpcDockPanel::TpcDockPanel(TComponent* Owner) : TDockSurface<TControl>(Owner) {
  SetBounds(Left(), Top(), 105, 105);
}
