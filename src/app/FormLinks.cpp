#include "app/FormLinks.h"

#include "app/MemtideMainFrm.h"
#include "monitor/MemtideFrm.h"
#include "settings/OptionsFrm.h"
#include "ui/Application.h"

// The hosts capture the main form: it outlives the windows it makes (it frees them first).

TMonitorHost MonitorHostFor(TFrmMemtideMain& Main) {
  TMonitorHost host;
  host.MainWindow = [&Main] { return Main.HandleAllocated() ? Main.Handle() : HWND{}; };
  host.PopupMenu1 = Main.PopupMenu1;
  host.Options = Main.Options();
  host.Language = Main.Language();
  host.MemorySampled = [&Main](std::int64_t FreeBytes, std::int64_t TotalBytes) {
    Main.MemorySampled(FreeBytes, TotalBytes);
  };
  host.ShowOptions = [&Main](TFrmMemtide& Monitor) { Main.ShowOptionsDialog(&Monitor); };
  host.Freed = [&Main](TFrmMemtide& Monitor) { Main.LinkedFormFreed(&Monitor); };
  return host;
}

TOptionsHost OptionsHostFor(TFrmMemtideMain& Main) {
  TOptionsHost host;
  host.MonitorExists = [&Main] { return Main.Monitor() != nullptr; };
  host.SetMonitorChartsAutoDraw = [&Main](bool On) {
    if (TFrmMemtide* monitor = Main.Monitor()) monitor->SetChartsDrawing(On);
  };
  host.MonitorApplyOptions = [&Main](const TOptions* Options) {
    if (TFrmMemtide* monitor = Main.Monitor()) monitor->ApplyOptions(Options);
  };
  host.MonitorSetCPUSource = [&Main](bool FromSystemPerform) {
    if (TFrmMemtide* monitor = Main.Monitor()) monitor->SetCPUSource(FromSystemPerform);
  };
  host.MonitorApplyLanguage = [&Main](const TMultiLanguage* Language) {
    if (TFrmMemtide* monitor = Main.Monitor()) monitor->ApplyLanguage(Language);
  };
  host.RegisterOptimizeHotKey = [&Main](std::uint32_t HotKey) {
    return Main.RegisterOptimizeHotKey(HotKey);
  };
  host.MainApplyLanguage = [&Main](const TMultiLanguage* Language) {
    Main.ApplyLanguage(Language);
  };
  host.MainApplyTrayIcon = [&Main] { Main.ApplyTrayIcon(); };
  host.Freed = [&Main](TFrmOptions& Dialog) { Main.LinkedFormFreed(&Dialog); };
  return host;
}

std::function<HWND()> InstanceMainWindow(const TApplication& Application) {
  // Looked up among the application's forms rather than through MainForm(): the main form
  // counts from its constructor's first step to its destructor's last, and boxes shown at
  // start-up or while the settings are saved at exit let a second start's request in.
  return [&Application]() -> HWND {
    for (int i = 0; i < Application.ComponentCount(); ++i) {
      if (auto* main = dynamic_cast<TFrmMemtideMain*>(Application.Components(i)))
        return main->HandleAllocated() ? main->Handle() : HWND{};
    }
    return HWND{};
  };
}
