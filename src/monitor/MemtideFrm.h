// TFrmMemtide: the small borderless window beside the taskbar corner. It shows the CPU and
// free-memory charts, runs the optimization sequence (trim every working set, then the
// optimizer's run) and tells the main form when a run starts and ends (MemtideMessages.h).
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "monitor/MemtideMessages.h"
#include "monitor/MonitorParts.h"
#include "ui/Form.h"

class TpcDockContainer;
class TpcDockPanel;
class TPCDockLabel;
class TPCDockButton;
class TQvGDIPlusTrendLine;
class TQvGDIPlusProgressBar;
class TTimer;
class TPopupMenu;
class TOptions;
class TMultiLanguage;

// What the window reads from the main form. Every member may be null/empty: then the
// window goes without (no messages posted, no auto-optimize, no menu, no dialog).
struct TMonitorHost {
  // Receives WM_OPTIMIZING and WM_OPTIMIZED; asked each time, so it may appear later.
  std::function<HWND()> MainWindow;
  TPopupMenu* PopupMenu1 = nullptr;       // the tray menu, shown from the title label
  TOptions* Options = nullptr;            // AutoOptimize, CPUDataFromSystemPerform
  TMultiLanguage* Language = nullptr;     // msg_ramfree on every tick
  // The "Options" link: create the options dialog once (this window as owner), fill its
  // language list, load the settings, show it modeless and bring it to the front.
  std::function<void(class TFrmMemtide& Monitor)> ShowOptions;
  // Every sampling tick's memory status, after the charts and texts have it.
  std::function<void(std::int64_t FreeBytes, std::int64_t TotalBytes)> MemorySampled;
  // The window is being freed, before its run stops: whoever keeps it lets go.
  std::function<void(class TFrmMemtide& Monitor)> Freed;
};

class TFrmMemtide : public TForm {
 public:
  // Builds every control, then runs FormCreate (CPU facade, optimizer, process
  // collection, pin picture). `Parts` replaces the system pieces in tests.
  TFrmMemtide(TComponent* Owner, TMonitorHost Host, TMonitorParts Parts = {});
  // Tells the host, then runs FormDestroy: a run still active is stopped and finishes
  // before its objects go.
  ~TFrmMemtide() override;

  // Shows the window without activating it, topmost; interval != 0 arms auto-hide.
  // Nothing when already shown (Tag() == 1).
  void ShowMonitor(int Interval);
  void HideMonitor();
  // Moves into the screen corner beside the taskbar (edge 1 bottom, 2 left, 3 top,
  // 4 right; size = its thickness), then ShowMonitor(1000).
  void PlaceAtTaskbar(int Edge, int Size);
  // The mouse rested on the tray icon at (X, Y): keep the window while it stays near.
  void SetTrayHotRect(int X, int Y);
  // Runs the optimization sequence now, unless one runs; returns when it has ended. True
  // when this call ran a sequence to its end; false when none could start (one runs, no
  // optimizer) or the window was destroyed during it.
  bool StartOptimize();
  bool IsOptimizing() const;
  // Chart colours from the settings (null: nothing).
  void ApplyOptions(const TOptions* Options);
  // Label captions from section "FrmMemtide" of the language file (null: nothing).
  void ApplyLanguage(const TMultiLanguage* Language);
  void SetCPUSource(bool Value);
  // Chart drawing on or off (the options dialog pauses it while it applies colours);
  // hidden charts never draw.
  void SetChartsDrawing(bool On);

  // The result of the last run ("hh:nn:ss +size"), as the main form's balloon shows it.
  std::string ResultText() const;
  RECT TrayHotRect() const { return tray_hot_rect_; }
  bool Pinned() const { return pinned_; }
  const TMonitorHost& Host() const { return host_; }
  // Texts of the value lines, for the main form's tests and the screenshots.
  std::string CpuValueText() const;
  std::string RamValueText() const;

  // Design-time components, in creation order.
  TpcDockContainer* p1 = nullptr;
  TPCDockLabel* lbl_cpu = nullptr;
  TQvGDIPlusTrendLine* cpuLine = nullptr;
  TpcDockPanel* pcDockPanel1 = nullptr;
  TPCDockLabel* lbl_title = nullptr;
  TPCDockLabel* lbl_ram = nullptr;
  TQvGDIPlusTrendLine* ramLine = nullptr;
  TPCDockLabel* lbl_cpuvalue = nullptr;
  TPCDockLabel* lbl_ramvalue = nullptr;
  TPCDockButton* btn_close = nullptr;
  TPCDockLabel* lbl_optimize = nullptr;
  TPCDockLabel* lbl_options = nullptr;
  TQvGDIPlusProgressBar* pb = nullptr;
  TPCDockLabel* lbl_pb = nullptr;
  TPCDockLabel* lbl_ramplus = nullptr;
  TTimer* Timer1 = nullptr;
  TTimer* Timer2 = nullptr;

  // Event handlers (public so tests can raise them as the controls would).
  void Timer1Timer(TObject* Sender);
  void Timer2Timer(TObject* Sender);
  void lbl_optimizeClick(TObject* Sender);
  void lbl_optionsClick(TObject* Sender);
  void lbl_titleDblClick(TObject* Sender);
  void btn_closeClick(TObject* Sender);
  void btn_closeMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void pcDockPanel1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X,
                             int Y);
  void pcDockPanel1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

 protected:
  void CreateParams(TCreateParams& Params) override;
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  void UpdateChartDrawing();
  bool charts_drawing_wanted_ = true;
  DWORD last_progress_pump_ = 0;
  bool progress_pumped_ = false;
  void CreateControls();
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  // The trim loop's and the optimizer's progress: set and repainted at a pace.
  void ShowSequenceProgress(int Progress);
  void SetPinPicture(const char* FileName);
  void PopupTitleMenu();
  void PostToMainForm(UINT Msg);

  TMonitorHost host_;
  TMonitorParts parts_;
  int drag_x_ = 0, drag_y_ = 0;
  std::unique_ptr<IMonitorCpu> cpu_;
  std::shared_ptr<IMonitorProcesses> processes_;
  std::shared_ptr<IMonitorOptimizer> optimizer_;
  RECT tray_hot_rect_{0, 0, 0, 0};
  bool pinned_ = false;
  unsigned runs_completed_ = 0;
  // Shared with a running sequence, which outlives the form when the form is destroyed
  // from a message handled inside the run.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
