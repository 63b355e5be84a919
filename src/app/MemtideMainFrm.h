// TFrmMemtideMain: the hidden main form. It owns what lives in the notification area (the
// tray icon, its menu and actions), the global hot key, the settings and the language,
// creates the monitor window and the options dialog and forwards optimization requests to
// the monitor. How these windows talk: app/FormLinks.h.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/TrayFigure.h"
#include "monitor/MonitorRules.h"
#include "ui/Form.h"

class TTrayIcon;
class TPopupMenu;
class TMenuItem;
class TActionList;
class TAction;
class TGlobalHotKeys;
class TTimer;
class TOptions;
class TMultiLanguage;
class TFrmMemtide;
class TFrmOptions;

class TFrmMemtideMain : public TForm {
 public:
  // Builds the components, then runs FormCreate.
  explicit TFrmMemtideMain(TComponent* Owner);
  // Frees the windows it made that are still there, then runs FormDestroy, which frees
  // (and so saves) the settings.
  ~TFrmMemtideMain() override;

  TOptions* Options() const { return options_.get(); }
  TMultiLanguage* Language() const;
  // The monitor window and the options dialog, while they exist (owned by the application,
  // the dialog possibly by the monitor window).
  TFrmMemtide* Monitor() const { return monitor_; }
  TFrmOptions* OptionsDialog() const { return optionsDialog_; }

  // The one options dialog: made on first use, owned by whichever opens it first (the
  // application for the tray's action, the monitor window for its link), and reused after,
  // with this form's settings and language.
  void ShowOptionsDialog(TComponent* Owner);
  // A window this form made is being freed: it is no longer reached.
  void LinkedFormFreed(const TForm* Form);

  // Captions of the actions from section "Language" (null: nothing).
  void ApplyLanguage(const TMultiLanguage* Language);
  // Replaces every hot key of HKM by this one. A value without Ctrl, Alt or Win is not
  // registered (and none stays). False when Windows refused the combination (another
  // program holds it): the previous hot key then stays registered.
  bool RegisterOptimizeHotKey(std::uint32_t HotKey);
  // Screen edge of the taskbar and its thickness.
  TaskbarEdge GetTaskbarEdge(int& Thickness) const;
  // The companion cleaner's program file, or empty text when it is not installed.
  std::string GetBrisvanePath() const;

  // The monitor window's sampling tick. With ShowFreeMemoryInTrayIcon on, the tray icon
  // shows the free percentage; it changes only when the number or colour does.
  void MemorySampled(std::int64_t FreeBytes, std::int64_t TotalBytes);
  // Shows the figure or the program icon, as the settings and the last tick now ask.
  void ApplyTrayIcon();
  // The figure the tray icon shows; none while it shows the program icon.
  const std::optional<TrayFigure>& ShownTrayFigure() const { return shownFigure_; }

  // Components, in creation order.
  TTrayIcon* cti = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* StartOptimize1 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* OpenBrisvaneandAutoCleanup1 = nullptr;
  TMenuItem* OpenBrisvane1 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* Options1 = nullptr;
  TMenuItem* N2 = nullptr;
  TMenuItem* Checkforupdates1 = nullptr;
  TMenuItem* About1 = nullptr;
  TMenuItem* ActExit1 = nullptr;
  TActionList* ActionList1 = nullptr;
  TAction* ActExit = nullptr;
  TAction* ActOptimize = nullptr;
  TAction* ActOptions = nullptr;
  TAction* ActAbout = nullptr;
  TAction* ActCheckUpdate = nullptr;
  TAction* ActRunBrisvane1 = nullptr;
  TAction* ActRunBrisvane2 = nullptr;
  TGlobalHotKeys* HKM = nullptr;
  TTimer* Timer1 = nullptr;

  // Event handlers (public so tests can raise them as the components would).
  void ctiMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void PopupMenu1Popup(TObject* Sender);
  void HKMHotKeyPressed(std::uint32_t HotKey, WORD Index);
  void Timer1Timer(TObject* Sender);
  void ActOptimizeExecute(TObject* Sender);
  void ActOptionsExecute(TObject* Sender);
  void ActExitExecute(TObject* Sender);
  void ActAboutExecute(TObject* Sender);
  void ActCheckUpdateExecute(TObject* Sender);
  void ActRunBrisvane1Execute(TObject* Sender);
  void ActRunBrisvane2Execute(TObject* Sender);

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  void CreateComponents();
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  TFrmMemtide* EnsureMonitor();
  void FreeLinkedForms();
  void ShowOptimizeBalloon(const std::string& Text, int TimeoutSecs);
  void RunBrisvane(const std::string& Parameters);

  std::unique_ptr<TOptions> options_;
  TFrmMemtide* monitor_ = nullptr;
  TFrmOptions* optionsDialog_ = nullptr;
  std::optional<TrayFigure> shownFigure_;
  bool sampled_ = false;
  std::int64_t sampleFree_ = 0, sampleTotal_ = 0;
};
