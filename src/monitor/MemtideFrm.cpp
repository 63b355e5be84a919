#include "monitor/MemtideFrm.h"

#include <utility>

#include "controls/DockButton.h"
#include "controls/DockContainer.h"
#include "controls/DockLabel.h"
#include "controls/DockPanel.h"
#include "controls/QvGDIPlusProgressBar.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "memory/PublicUnit.h"
#include "monitor/MonitorLooks.h"
#include "monitor/MonitorRules.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsUnit.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Menus.h"
#include "ui/Timer.h"
#include "util/AnsiText.h"
#include "util/ModalLoop.h"

namespace {

constexpr const char* kRamFreeDefault = "%s Free [%s] / %s";

void SetupLabel(TPCDockLabel* l, const char* name, int left, int top, int width, int height,
                bool bold, bool autoSize, Gdiplus::StringAlignment alignment,
                const char* caption) {
  // Sizing waits until the design bounds, font and caption are all in place; otherwise a
  // fixed-size label would keep the size fitted to its empty caption.
  l->SetAutoSize(false);
  l->SetName(name);
  TFont font;
  font.SetName("Tahoma");
  font.SetHeight(-11);
  font.SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{0});
  font.SetColor(clBlack);
  l->SetFont(font);
  l->MouseOverFont()->Assign(font);
  l->SetTextRendering(Gdiplus::TextRenderingHintClearTypeGridFit);
  l->SetFontAlpha(255);
  l->SetShowShadow(false);
  l->SetShowBackColor(false);
  l->SetAlignment(alignment);
  l->SetCaption(caption);
  l->SetBounds(left, top, width, height);
  l->SetAutoSize(autoSize);
}

// A link label: frame blue, underlined while the mouse is over it.
void MakeLink(TPCDockLabel* l) {
  l->SetCursor(crHandPoint);
  l->Font()->SetColor(kFrameBlue);
  TFont over;
  over.Assign(*l->Font());
  over.SetStyle(over.Style() | fsUnderline);
  l->MouseOverFont()->Assign(over);
}

void SetupChart(TQvGDIPlusTrendLine* c, const char* name, int top, TColor lineColor1,
                TColor lineColor2) {
  c->SetName(name);
  c->SetBounds(8, top, 241, 89);
  c->SetAutoDraw(true);
  c->SetMax(100);
  c->SetMin(0);
  c->SetShowBorder(true);
  c->SetBorderColor1(kFrameBlue);
  c->SetBorderColor2(kFrameBlue);
  c->SetBorderAlpha(128);
  c->SetShowGrid(true);
  c->SetGridSize(10);
  c->SetGridColor(kLightBlue);
  c->SetGridColorAlpha(128);
  c->SetShowBackColor(true);
  c->SetBackColor1(clBlack);
  c->SetBackColor2(clWhite);
  c->SetBackColorMode(Gdiplus::LinearGradientModeVertical);
  c->SetBackColorAlpha(128);
  c->SetLine1Color1(lineColor1);
  c->SetLine1Color2(lineColor2);
  c->SetLine1Fill(true);
  c->SetLine1Visible(true);
  c->SetLine1Alpha(128);
  c->SetLineFill1Alpha(128);
  c->SetLine1Width(1);
  for (int line = 2; line <= kTrendLineCount; ++line) c->SetLineVisible(line, false);
}

}  // namespace

TFrmMemtide::TFrmMemtide(TComponent* Owner, TMonitorHost Host, TMonitorParts Parts)
    : TForm(Owner), host_(std::move(Host)), parts_(std::move(Parts)) {
  parts_.FillDefaults();
  SetName("FrmMemtide");
  SetBorderStyle(bsNone);
  SetCaption("Memtide");
  SetColor(clBtnFace);
  TFont font;
  font.SetName("MS Sans Serif");
  font.SetHeight(-11);
  SetFont(font);
  // Shown and hidden only through ShowMonitor/HideMonitor; Visible stays false.
  SetVisible(false);
  SetBounds(1174, 567, 257, 268);
  CreateControls();
  ScaleForDpi(dpi::SystemDpi());
  FormCreate(this);
  UpdateChartDrawing();
}

// The charts keep collecting values while the window is hidden but only draw while it is
// shown: rendering two charts every second for nobody is most of a hidden tick's cost.
void TFrmMemtide::SetChartsDrawing(bool On) {
  charts_drawing_wanted_ = On;
  UpdateChartDrawing();
}

void TFrmMemtide::UpdateChartDrawing() {
  const bool on = charts_drawing_wanted_ && Tag() == 1;
  for (TQvGDIPlusTrendLine* chart : {cpuLine, ramLine}) {
    if (chart && chart->AutoDraw() != on) chart->SetAutoDraw(on);
  }
}

TFrmMemtide::~TFrmMemtide() {
  if (host_.Freed) host_.Freed(*this);
  FormDestroy(this);
}

void TFrmMemtide::CreateControls() {
  using namespace Gdiplus;
  BeginLoading();

  p1 = new TpcDockContainer(this);
  p1->SetName("p1");
  p1->SetParent(this);
  p1->SetBounds(0, 0, 257, 268);
  p1->SetAlign(alClient);
  p1->SetBorderColor1(kFrameBlue);
  p1->SetBorderColor2(kFrameBlue);
  p1->SetBorderAlpha(100);
  p1->SetShowBorder(true);
  p1->SetBackColor1(kPaleYellow);
  p1->SetBackColor2(kPaleYellow);
  p1->SetBackColorAlpha(100);
  p1->SetBackColorMode(LinearGradientModeVertical);
  p1->SetShowBackColor(true);
  p1->SetShowImage(false);

  lbl_cpu = new TPCDockLabel(this);
  lbl_cpu->SetParent(p1);
  SetupLabel(lbl_cpu, "lbl_cpu", 8, 24, 27, 15, true, true, StringAlignmentCenter, "CPU");

  cpuLine = new TQvGDIPlusTrendLine(this);
  cpuLine->SetParent(p1);
  SetupChart(cpuLine, "cpuLine", 40, clRed, kLineBlue);

  pcDockPanel1 = new TpcDockPanel(this);
  pcDockPanel1->SetName("pcDockPanel1");
  pcDockPanel1->SetParent(p1);
  pcDockPanel1->SetBounds(-1, -1, 262, 21);
  pcDockPanel1->SetBorderColor1(kFrameBlue);
  pcDockPanel1->SetBorderColor2(kFrameBlue);
  pcDockPanel1->SetBorderAlpha(100);
  pcDockPanel1->SetShowBorder(true);
  pcDockPanel1->SetBackColor1(clGray);
  pcDockPanel1->SetBackColor2(clWhite);
  pcDockPanel1->SetBackColorMode(LinearGradientModeVertical);
  pcDockPanel1->SetBackColorAlpha(100);
  pcDockPanel1->SetShowBackColor(true);
  pcDockPanel1->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    pcDockPanel1MouseDown(S, B, Sh, X, Y);
  };
  pcDockPanel1->OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) {
    pcDockPanel1MouseMove(S, Sh, X, Y);
  };

  lbl_title = new TPCDockLabel(this);
  lbl_title->SetParent(p1);
  SetupLabel(lbl_title, "lbl_title", 8, 3, 57, 15, true, true, StringAlignmentCenter, "Memtide");
  lbl_title->OnDblClick = [this](TObject* S) { lbl_titleDblClick(S); };
  lbl_title->OnMouseDown = pcDockPanel1->OnMouseDown;
  lbl_title->OnMouseMove = pcDockPanel1->OnMouseMove;

  lbl_ram = new TPCDockLabel(this);
  lbl_ram->SetParent(p1);
  SetupLabel(lbl_ram, "lbl_ram", 8, 136, 29, 15, true, true, StringAlignmentCenter, "RAM");

  ramLine = new TQvGDIPlusTrendLine(this);
  ramLine->SetParent(p1);
  SetupChart(ramLine, "ramLine", 152, clGreen, clRed);

  lbl_cpuvalue = new TPCDockLabel(this);
  lbl_cpuvalue->SetParent(p1);
  SetupLabel(lbl_cpuvalue, "lbl_cpuvalue", 210, 24, 39, 15, false, false, StringAlignmentFar, "");

  lbl_ramvalue = new TPCDockLabel(this);
  lbl_ramvalue->SetParent(p1);
  SetupLabel(lbl_ramvalue, "lbl_ramvalue", 48, 136, 201, 15, false, false, StringAlignmentFar, "");

  btn_close = new TPCDockButton(this);
  btn_close->SetName("btn_close");
  btn_close->SetParent(p1);
  btn_close->SetDrawMode(idmNormal);
  btn_close->SetBounds(236, 1, 17, 17);
  btn_close->SetImageQuality(2);
  btn_close->SetAlpha(255);
  btn_close->OnClick = [this](TObject* S) { btn_closeClick(S); };
  btn_close->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    btn_closeMouseDown(S, B, Sh, X, Y);
  };

  lbl_optimize = new TPCDockLabel(this);
  lbl_optimize->SetParent(p1);
  SetupLabel(lbl_optimize, "lbl_optimize", 8, 248, 73, 15, false, true, StringAlignmentCenter,
             "Start Optimize");
  MakeLink(lbl_optimize);
  lbl_optimize->OnClick = [this](TObject* S) { lbl_optimizeClick(S); };

  lbl_options = new TPCDockLabel(this);
  lbl_options->SetParent(p1);
  SetupLabel(lbl_options, "lbl_options", 184, 248, 64, 15, false, false, StringAlignmentFar,
             "Options");
  MakeLink(lbl_options);
  lbl_options->OnClick = [this](TObject* S) { lbl_optionsClick(S); };

  pb = new TQvGDIPlusProgressBar(this);
  pb->SetName("pb");
  pb->SetParent(p1);
  pb->SetBounds(88, 247, 89, 15);
  pb->SetVisible(false);
  pb->SetValue(0);
  ApplyProgressBarLooks(*pb);

  lbl_pb = new TPCDockLabel(this);
  lbl_pb->SetParent(p1);
  SetupLabel(lbl_pb, "lbl_pb", 116, 248, 21, 15, false, true, StringAlignmentCenter, "0%");
  lbl_pb->SetVisible(false);

  lbl_ramplus = new TPCDockLabel(this);
  lbl_ramplus->SetParent(p1);
  SetupLabel(lbl_ramplus, "lbl_ramplus", 101, 3, 128, 15, true, false, StringAlignmentFar, "");
  lbl_ramplus->Font()->SetColor(kFrameBlue);
  lbl_ramplus->MouseOverFont()->SetColor(kFrameBlue);
  lbl_ramplus->OnMouseDown = pcDockPanel1->OnMouseDown;
  lbl_ramplus->OnMouseMove = pcDockPanel1->OnMouseMove;

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetInterval(1000);
  Timer1->OnTimer = [this](TObject* S) { Timer1Timer(S); };
  Timer1->SetEnabled(true);

  Timer2 = new TTimer(this);
  Timer2->SetName("Timer2");
  Timer2->SetEnabled(false);
  Timer2->SetInterval(1000);
  Timer2->OnTimer = [this](TObject* S) { Timer2Timer(S); };

  EndLoading();
}

void TFrmMemtide::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CAPTION)) | WS_POPUP;
  Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  Params.WndParent = GetDesktopWindow();
}

LRESULT TFrmMemtide::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_STARTOPTIMIZE) {
    if (lbl_optimize && lbl_optimize->Enabled()) StartOptimize();
    return 0;
  }
  return TForm::WndProc(Msg, WParam, LParam);
}

void TFrmMemtide::FormCreate(TObject*) {
  pinned_ = false;
  cpu_ = parts_.MakeCpu();
  if (cpu_) {
    cpu_->SetUsePdh(host_.Options && host_.Options->CPUDataFromSystemPerform);
    cpu_->GetCPUUsage();  // primes the sampler; the first value means nothing
  }
  optimizer_ = parts_.MakeOptimizer();
  processes_ = parts_.MakeProcesses();
  SetPinPicture("p1.png");
}

void TFrmMemtide::FormDestroy(TObject*) {
  // A sequence still on the stack holds its own references to the optimizer and the
  // process collection: it sees alive_ go false, lets Optimize return and then frees them.
  *alive_ = false;
  Timer1->SetEnabled(false);
  Timer2->SetEnabled(false);
  cpu_.reset();
  if (optimizer_) {
    optimizer_->Stop();
    optimizer_.reset();
  }
  processes_.reset();
}

void TFrmMemtide::SetPinPicture(const char* FileName) {
  std::string path = parts_.ProgramFolder() + FileName;
  btn_close->SetNormalSource(path);
  btn_close->SetMouseOverSource(path);
}

void TFrmMemtide::PostToMainForm(UINT Msg) {
  HWND main = host_.MainWindow ? host_.MainWindow() : nullptr;
  if (main) PostMessageA(main, Msg, 0, 0);
}

// --- showing, hiding, placing

void TFrmMemtide::ShowMonitor(int Interval) {
  if (Tag() == 1) return;
  if (Interval != 0) {
    Timer2->SetInterval(static_cast<unsigned>(Interval));
    Timer2->SetEnabled(true);
  } else {
    Timer2->SetEnabled(false);
  }
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
  ShowWindow(p1->Handle(), SW_SHOWNOACTIVATE);
  SetTag(1);
  UpdateChartDrawing();
  SetWindowPos(Handle(), HWND_TOPMOST, Left(), Top(), Width(), Height(), SWP_NOACTIVATE);
}

void TFrmMemtide::HideMonitor() {
  if (IsOptimizing()) PostToMainForm(WM_OPTIMIZING);
  ShowWindow(Handle(), SW_HIDE);
  Timer2->SetEnabled(false);
  SetTag(0);
  UpdateChartDrawing();
}

void TFrmMemtide::PlaceAtTaskbar(int Edge, int Size) {
  auto pos = TaskbarCornerPosition(Edge, Size, GetSystemMetrics(SM_CXSCREEN),
                                   GetSystemMetrics(SM_CYSCREEN), Width(), Height());
  if (pos) {
    SetLeft(pos->x);
    SetTop(pos->y);
  }
  ShowMonitor(1000);
}

void TFrmMemtide::SetTrayHotRect(int X, int Y) { tray_hot_rect_ = TrayHotRectAround(X, Y); }

void TFrmMemtide::Timer2Timer(TObject*) {
  if (ShouldAutoHide(parts_.CursorPos(), tray_hot_rect_, BoundsRect(), pinned_)) HideMonitor();
}

// --- sampling

void TFrmMemtide::Timer1Timer(TObject*) {
  if (!optimizer_) return;
  int cpu = cpu_ ? cpu_->GetCPUUsage() : 0;
  std::int64_t free = optimizer_->FreeMemory();
  std::int64_t total = optimizer_->TotalMemory();
  int pct = FreeMemoryPercent(free, total);
  cpuLine->AddValue(1, cpu);
  ramLine->AddValue(1, pct);
  lbl_cpuvalue->SetCaption(PercentText(cpu));
  std::string format =
      host_.Language ? host_.Language->GetMsg("msg_ramfree", kRamFreeDefault) : kRamFreeDefault;
  lbl_ramvalue->SetCaption(::RamValueText(format, FormatSize(1, true, free), PercentText(pct),
                                          FormatSize(1, true, total)));
  if (host_.Options && host_.Options->AutoOptimize && BelowAutoOptimizeLimit(free, total)) {
    PostMessageA(Handle(), WM_STARTOPTIMIZE, 0, 0);
  }
  if (host_.MemorySampled) host_.MemorySampled(free, total);
}

std::string TFrmMemtide::CpuValueText() const { return lbl_cpuvalue->Caption(); }
std::string TFrmMemtide::RamValueText() const { return lbl_ramvalue->Caption(); }
std::string TFrmMemtide::ResultText() const { return lbl_ramplus->Caption(); }

// --- the optimization sequence

bool TFrmMemtide::IsOptimizing() const { return !lbl_optimize->Enabled(); }

bool TFrmMemtide::StartOptimize() {
  const std::shared_ptr<bool> alive = alive_;
  const unsigned before = runs_completed_;
  lbl_optimizeClick(lbl_optimize);
  return *alive && runs_completed_ != before;
}

void TFrmMemtide::lbl_optimizeClick(TObject*) {
  if (!lbl_optimize->Enabled() || !optimizer_ || !processes_) return;
  lbl_optimize->SetEnabled(false);
  // The run handles window messages; one of them may destroy this form. From then on only
  // these locals are touched.
  std::shared_ptr<bool> alive = alive_;
  std::shared_ptr<IMonitorOptimizer> optimizer = optimizer_;
  std::shared_ptr<IMonitorProcesses> processes = processes_;
  // Should a step throw, the link must not stay disabled (no run could ever start again),
  // and the main form hears that the run is over: its "Optimizing..." balloon goes.
  struct Restore {
    TFrmMemtide* form;
    const std::shared_ptr<bool>& alive;
    bool armed = true;
    ~Restore() {
      if (armed && *alive) {
        form->pb->SetVisible(false);
        form->lbl_pb->SetVisible(false);
        form->PostToMainForm(WM_OPTIMIZED);
        form->lbl_optimize->SetEnabled(true);
      }
    }
  } restore{this, alive};

  PostToMainForm(WM_OPTIMIZING);
  pb->SetVisible(true);
  lbl_pb->SetVisible(true);
  std::int64_t before = optimizer->FreeMemory();

  std::vector<DWORD> ids = processes->RefreshProcessIds();
  if (!*alive) return;
  // The trimming is paced like the run: with a few hundred processes, setting the bar after
  // each one cost more than the trim calls themselves, and none of it reached the screen.
  progress_pumped_ = false;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    processes->TrimWorkingSet(ids[i]);
    ShowSequenceProgress(TrimProgressPercent(i, ids.size()));
    if (!*alive) return;
  }

  progress_pumped_ = false;
  {
    // The progress handler handles messages, so a menu or message box may open inside the
    // run and wait for the user with the run's memory committed: the run ends instead, and
    // lets go of its blocks, as the box's loop starts.
    ModalLoopListener endRun([optimizer] { optimizer->EndNow(); });
    optimizer->Optimize(OptimizeAmountMB(optimizer->TotalMemory()), [this, alive](int progress) {
      if (*alive) ShowSequenceProgress(progress);
    });
  }
  if (!*alive) return;

  pb->SetVisible(false);
  lbl_pb->SetVisible(false);
  std::int64_t gain = MemoryGain(before, optimizer->FreeMemory());
  SYSTEMTIME now = parts_.LocalTime();
  lbl_ramplus->SetCaption(
      OptimizeResultText(now.wHour, now.wMinute, now.wSecond, FormatSize(2, true, gain)));
  PostToMainForm(WM_OPTIMIZED);
  lbl_optimize->SetEnabled(true);
  restore.armed = false;
  ++runs_completed_;
}

void TFrmMemtide::ShowSequenceProgress(int Progress) {
  if (!pb) return;
  // The bar and its label reach the screen only when messages are handled, so they are set
  // only then: each setting renders the bar and the label measures its text, and at a few
  // hundred steps a second that was most of what the sequence cost beyond its real work.
  const DWORD now = parts_.TickCount();
  if (!ProgressPumpDue(!progress_pumped_, Progress, now, last_progress_pump_)) return;
  progress_pumped_ = true;
  last_progress_pump_ = now;
  pb->SetValue(Progress);
  lbl_pb->SetCaption(PercentText(pb->Value()));
  Application()->ProcessMessages();
}

// --- mouse

void TFrmMemtide::pcDockPanel1MouseDown(TObject* Sender, TMouseButton, TShiftState Shift, int X,
                                        int Y) {
  if (Shift & ssRight) {
    auto* label = dynamic_cast<TPCDockLabel*>(Sender);
    if (label && SameTextAscii(label->Name(), "lbl_title")) PopupTitleMenu();
  }
  drag_x_ = X;
  drag_y_ = Y;
}

void TFrmMemtide::pcDockPanel1MouseMove(TObject*, TShiftState Shift, int X, int Y) {
  if (Shift & ssLeft) {
    SetLeft(X + Left() - drag_x_);
    SetTop(Y + Top() - drag_y_);
  }
}

void TFrmMemtide::lbl_titleDblClick(TObject*) { PopupTitleMenu(); }

void TFrmMemtide::PopupTitleMenu() {
  if (!host_.PopupMenu1) return;
  POINT p = parts_.CursorPos();
  host_.PopupMenu1->Popup(p.x, p.y);
}

void TFrmMemtide::btn_closeClick(TObject*) {}

void TFrmMemtide::btn_closeMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  pinned_ = !pinned_;
  SetPinPicture(pinned_ ? "p2.png" : "p1.png");
  Application()->ProcessMessages();
}

void TFrmMemtide::lbl_optionsClick(TObject*) {
  if (host_.ShowOptions) host_.ShowOptions(*this);
}

// --- settings and language

void TFrmMemtide::ApplyOptions(const TOptions* Options) {
  if (!Options) return;
  cpuLine->SetBackColor1(Options->CPUStartBackColor);
  cpuLine->SetBackColor2(Options->CPUEndBackColor);
  cpuLine->SetGridColor(Options->CPUGridColor);
  cpuLine->SetLine1Color1(Options->CPUHighCPUColor);
  cpuLine->SetLine1Color2(Options->CPULowCPUColor);
  ramLine->SetBackColor1(Options->RAMStartBackColor);
  ramLine->SetBackColor2(Options->RAMEndBackColor);
  ramLine->SetGridColor(Options->RAMGridColor);
  ramLine->SetLine1Color1(Options->RAMHighRAMColor);
  ramLine->SetLine1Color2(Options->RAMLowRAMColor);
}

void TFrmMemtide::ApplyLanguage(const TMultiLanguage* Language) {
  if (!Language) return;
  for (int i = 0; i < p1->ControlCount(); ++i) {
    auto* label = dynamic_cast<TPCDockLabel*>(p1->Controls(i));
    if (!label) continue;
    label->SetCaption(Language->GetString(Name(), label->Name(), label->Caption()));
  }
}

void TFrmMemtide::SetCPUSource(bool Value) {
  if (cpu_) cpu_->SetUsePdh(Value);
}
