#include "app/MemtideMainFrm.h"

#include "app/CommandLine.h"
#include "app/Companion.h"
#include "app/FormLinks.h"
#include "app/MainFormTexts.h"
#include "app/TrayFigureIcon.h"
#include "app/TaskbarPlacement.h"
#include "app/multinst.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "memory/PublicUnit.h"
#include "monitor/MemtideFrm.h"
#include "monitor/MemtideMessages.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsFrm.h"
#include "settings/OptionsUnit.h"
#include "shell/GlobalHotKeys.h"
#include "shell/TrayIcon.h"
#include "ui/Actions.h"
#include "ui/Application.h"
#include "ui/Menus.h"
#include "ui/Timer.h"
#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"
#include "util/ScopedHandles.h"

namespace {

// The language object outlives the main form: windows freed after it may still ask it.
std::unique_ptr<TMultiLanguage>& LanguageObject() {
  static std::unique_ptr<TMultiLanguage> language;
  return language;
}

constexpr char kBrisvaneNotInstalled[] =
    "Brisvane is not installed on your computer, click \"OK\" to download Brisvane freeware "
    "now.";

}  // namespace

TFrmMemtideMain::TFrmMemtideMain(TComponent* Owner) : TForm(Owner) {
  SetName("FrmMemtideMain");
  SetCaption("FrmMemtideMain");
  SetBorderStyle(bsNone);
  BeginLoading();
  CreateComponents();
  EndLoading();  // the tray icon appears here
  try {
    FormCreate(this);
  } catch (...) {
    FreeLinkedForms();  // their hosts name this form, which is not going to exist
    throw;
  }
}

TFrmMemtideMain::~TFrmMemtideMain() {
  // The program has freed them already (newest first); a test may free this form first.
  FreeLinkedForms();
  FormDestroy(this);
}

void TFrmMemtideMain::FreeLinkedForms() {
  // Each one's host clears the member as it goes; the dialog may go with the monitor.
  if (TFrmOptions* dialog = optionsDialog_) delete dialog;
  if (TFrmMemtide* monitor = monitor_) delete monitor;
}

void TFrmMemtideMain::LinkedFormFreed(const TForm* Form) {
  if (Form == monitor_) monitor_ = nullptr;
  if (Form == optionsDialog_) optionsDialog_ = nullptr;
}

void TFrmMemtideMain::ShowOptionsDialog(TComponent* Owner) {
  if (!optionsDialog_) {
    optionsDialog_ = new TFrmOptions(Owner, OptionsHostFor(*this));
    optionsDialog_->ApplyLanguage(Language());
  }
  optionsDialog_->RefreshLanguageList();
  optionsDialog_->LoadOptions(Options());
  optionsDialog_->Show();
  optionsDialog_->BringToFront();
}

TMultiLanguage* TFrmMemtideMain::Language() const { return LanguageObject().get(); }

void TFrmMemtideMain::CreateComponents() {
  ActionList1 = new TActionList(this);
  ActionList1->SetName("ActionList1");
  using Handler = void (TFrmMemtideMain::*)(TObject*);
  auto action = [this](const char* name, const char* caption, Handler handler) {
    auto* a = new TAction(this);
    a->SetName(name);
    a->SetCaption(caption);
    a->SetActionList(ActionList1);
    a->OnExecute = [this, handler](TObject* Sender) { (this->*handler)(Sender); };
    return a;
  };
  ActExit = action("ActExit", "Exit", &TFrmMemtideMain::ActExitExecute);
  ActOptimize = action("ActOptimize", "Start Optimize", &TFrmMemtideMain::ActOptimizeExecute);
  ActOptions = action("ActOptions", "Options...", &TFrmMemtideMain::ActOptionsExecute);
  ActAbout = action("ActAbout", "About...", &TFrmMemtideMain::ActAboutExecute);
  ActCheckUpdate =
      action("ActCheckUpdate", "Check for updates", &TFrmMemtideMain::ActCheckUpdateExecute);
  ActRunBrisvane1 = action("ActRunBrisvane1", "Open Brisvane and AutoCleanup",
                           &TFrmMemtideMain::ActRunBrisvane1Execute);
  ActRunBrisvane2 =
      action("ActRunBrisvane2", "Open Brisvane", &TFrmMemtideMain::ActRunBrisvane2Execute);

  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  PopupMenu1->OnPopup = [this](TObject* Sender) { PopupMenu1Popup(Sender); };
  auto item = [this](const char* name, TAction* bound) {
    auto* i = new TMenuItem(this);
    i->SetName(name);
    if (bound) {
      i->SetAction(bound);
    } else {
      i->SetCaption("-");
    }
    PopupMenu1->Items()->Add(i);
    return i;
  };
  StartOptimize1 = item("StartOptimize1", ActOptimize);
  StartOptimize1->SetDefault(true);
  N3 = item("N3", nullptr);
  OpenBrisvaneandAutoCleanup1 = item("OpenBrisvaneandAutoCleanup1", ActRunBrisvane1);
  OpenBrisvane1 = item("OpenBrisvane1", ActRunBrisvane2);
  N1 = item("N1", nullptr);
  Options1 = item("Options1", ActOptions);
  N2 = item("N2", nullptr);
  Checkforupdates1 = item("Checkforupdates1", ActCheckUpdate);
  About1 = item("About1", ActAbout);
  ActExit1 = item("ActExit1", ActExit);

  cti = new TTrayIcon(this);
  cti->SetName("cti");
  cti->SetIconLoader(ProgramTrayIcon());
  cti->SetIconIndex(0);
  cti->SetCycleInterval(0);
  cti->SetPopupMenu(PopupMenu1);
  cti->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    ctiMouseMove(Sender, Shift, X, Y);
  };

  HKM = new TGlobalHotKeys(this);
  HKM->SetName("HKM");
  HKM->OnHotKeyPressed = [this](std::uint32_t HotKey, WORD Index) {
    HKMHotKeyPressed(HotKey, Index);
  };

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(2000);
  Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };
}

void TFrmMemtideMain::FormCreate(TObject*) {
  RegisterProgramPath();
  SetBounds(Left(), Top(), 0, 0);
  options_ = std::make_unique<TOptions>();
  if (!LanguageObject()) LanguageObject() = std::make_unique<TMultiLanguage>();
  TMultiLanguage* language = LanguageObject().get();
  language->LoadFromFile(GetProgramFolder() + options_->Language + ".lng");
  ApplyLanguage(language);
  EnsureMonitor()->ApplyLanguage(language);
  int thickness = 0;
  const TaskbarEdge edge = GetTaskbarEdge(thickness);
  monitor_->ApplyOptions(options_.get());
  monitor_->PlaceAtTaskbar(edge, thickness);
  RegisterOptimizeHotKey(static_cast<std::uint32_t>(options_->HotKey));
  Timer1->SetEnabled(true);
}

void TFrmMemtideMain::FormDestroy(TObject*) {
  Timer1->SetEnabled(false);
  // The icon goes first: a write error shown while the settings are saved must not let
  // the tray open a new monitor window, the options or a run in a closing program.
  cti->SetIconVisible(false);
  options_.reset();  // saves
}

TFrmMemtide* TFrmMemtideMain::EnsureMonitor() {
  if (!monitor_) monitor_ = new TFrmMemtide(Application(), MonitorHostFor(*this));
  return monitor_;
}

void TFrmMemtideMain::ApplyLanguage(const TMultiLanguage* Language) {
  if (!Language) return;
  for (int i = 0; i < ComponentCount(); ++i) {
    if (auto* action = dynamic_cast<TAction*>(Components(i))) {
      action->SetCaption(Language->GetMsg(action->Name(), action->Caption()));
    }
  }
}

bool TFrmMemtideMain::RegisterOptimizeHotKey(std::uint32_t HotKey) {
  // A combination without Ctrl, Alt or Win (also none at all) would take a key from every
  // other program; the options dialog shows it so that the user can choose another.
  if (!hotkey::IsCommandHotKey(HotKey)) {
    HKM->ClearHotKeys();
    return true;
  }
  return HKM->ReplaceHotKeys(HotKey);
}

TaskbarEdge TFrmMemtideMain::GetTaskbarEdge(int& Thickness) const {
  RECT r{0, 0, 0, 0};
  if (HWND taskbar = FindWindowA("shell_traywnd", nullptr)) GetWindowRect(taskbar, &r);
  TaskbarPosition p =
      TaskbarEdgeFromRect(r, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  Thickness = p.Thickness;
  return p.Edge;
}

std::string TFrmMemtideMain::GetBrisvanePath() const {
  return ReadCompanionPath(HKEY_CURRENT_USER);
}

void TFrmMemtideMain::MemorySampled(std::int64_t FreeBytes, std::int64_t TotalBytes) {
  sampled_ = true;
  sampleFree_ = FreeBytes;
  sampleTotal_ = TotalBytes;
  ApplyTrayIcon();
}

void TFrmMemtideMain::ApplyTrayIcon() {
  std::optional<TrayFigure> wanted;
  if (options_ && options_->ShowFreeMemoryInTrayIcon && sampled_)
    wanted = TrayFigureFor(sampleFree_, sampleTotal_, options_->RAMHighRAMColor,
                           options_->RAMLowRAMColor);
  switch (NextTrayIconStep(shownFigure_, wanted)) {
    case TrayIconStep::Keep: return;
    // A new loader draws the icon at once and hands it to the shell in one modification;
    // the icon it replaces is destroyed with it.
    case TrayIconStep::ShowFigure: cti->SetIconLoader(TrayFigureIcon(*wanted)); break;
    case TrayIconStep::ShowProgramIcon: cti->SetIconLoader(ProgramTrayIcon()); break;
  }
  shownFigure_ = wanted;
}

void TFrmMemtideMain::ctiMouseMove(TObject*, TShiftState, int X, int Y) {
  TFrmMemtide* monitor = EnsureMonitor();
  TaskbarPosition taskbar;
  taskbar.Edge = GetTaskbarEdge(taskbar.Thickness);
  const POINT pos =
      MonitorPositionNearTray(taskbar, X, Y, monitor->Width(), monitor->Height(),
                              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  monitor->SetLeft(pos.x);
  monitor->SetTop(pos.y);
  monitor->SetTrayHotRect(X, Y);
  monitor->ShowMonitor(1000);
}

// The tray icon runs this also before a double click clicks the default item.
void TFrmMemtideMain::PopupMenu1Popup(TObject*) {
  if (monitor_) ActOptimize->SetEnabled(!monitor_->IsOptimizing());
}

void TFrmMemtideMain::HKMHotKeyPressed(std::uint32_t HotKey, WORD) {
  if (!options_ || HotKey != hotkey::MaskHotKey(static_cast<std::uint32_t>(options_->HotKey)))
    return;
  if (monitor_) PostMessageA(monitor_->Handle(), WM_STARTOPTIMIZE, 0, 0);
}

void TFrmMemtideMain::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  if (IsAutoOptimizeRequest(ProgramArguments()) && monitor_) {
    PostMessageA(monitor_->Handle(), WM_STARTOPTIMIZE, 0, 0);
  }
}

void TFrmMemtideMain::ActOptimizeExecute(TObject*) { EnsureMonitor()->StartOptimize(); }

void TFrmMemtideMain::ActOptionsExecute(TObject*) { ShowOptionsDialog(Application()); }

void TFrmMemtideMain::ActExitExecute(TObject*) { Close(); }

void TFrmMemtideMain::ActAboutExecute(TObject*) {
  const TMultiLanguage* language = Language();
  AboutFacts facts;
  facts.Version = GetProductVersion();
  facts.Portable = IsExistingFile(GetProgramFolder() + "PortableEdition.dat");
  facts.LanguageLabel = language ? language->GetMsg("msg_language", "Language") : "Language";
  facts.LanguageName = options_ ? options_->Language : std::string();
  facts.AuthorLabel = language ? language->GetMsg("msg_languageauthor", "Author") : "Author";
  facts.Author = language ? language->GetAuthor() : std::string();
  ShowMessageBox(BuildAboutText(facts), MB_ICONINFORMATION);
}

void TFrmMemtideMain::ActCheckUpdateExecute(TObject*) { OpenWithShell(UpdatePageUrl()); }

void TFrmMemtideMain::ActRunBrisvane1Execute(TObject*) { RunBrisvane(kCompanionParameter); }

void TFrmMemtideMain::ActRunBrisvane2Execute(TObject*) { RunBrisvane(""); }

void TFrmMemtideMain::RunBrisvane(const std::string& Parameters) {
  const std::string path = GetBrisvanePath();
  if (!path.empty()) {
    RunProgram(path, Parameters, "", false);
    return;
  }
  const TMultiLanguage* language = Language();
  ShowMessageBox(language ? language->GetMsg("msg_brisvanenotinstalled", kBrisvaneNotInstalled)
                          : kBrisvaneNotInstalled,
                 MB_ICONINFORMATION);
  OpenWithShell(HomePageUrl());
}

void TFrmMemtideMain::ShowOptimizeBalloon(const std::string& Text, int TimeoutSecs) {
  cti->ShowBalloon("Memtide", Text, biInfo, TimeoutSecs);
}

LRESULT TFrmMemtideMain::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_OPTIMIZING:
    case WM_OPTIMIZED: {
      const bool show = ShouldShowOptimizeBalloon(monitor_ != nullptr,
                                                  monitor_ ? monitor_->Tag() : 0,
                                                  options_ && options_->ShowMessageWhenOptimizing);
      if (show) {
        if (Msg == WM_OPTIMIZING) {
          const TMultiLanguage* language = Language();
          ShowOptimizeBalloon(language ? language->GetMsg("msg_optimizing", "Optimizing...")
                                       : "Optimizing...",
                              60);
        } else {
          ShowOptimizeBalloon(monitor_ ? monitor_->ResultText() : std::string(), 10);
        }
      }
      return 0;
    }
    case WM_STARTOPTIMIZE:
      if (monitor_) PostMessageA(monitor_->Handle(), WM_STARTOPTIMIZE, 0, 0);
      return 0;
    case multinst::WM_INSTANCENOTICE:
      return 0;
    case WM_QUERYENDSESSION:
      // Saved now: the session may end the process before the forms are freed. Once is
      // enough; a failed write is reported once.
      if (options_) {
        options_->SaveSettings();
        options_->SetSaveOnDestroy(false);
      }
      Close();
      return 1;
    default:
      return TForm::WndProc(Msg, WParam, LParam);
  }
}
