#include "settings/OptionsFrm.h"

#include <windows.h>

#include <commctrl.h>

#include <utility>

#include "controls/DockPanel.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "memory/PublicUnit.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsUnit.h"
#include "shell/GlobalHotKeys.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Dpi.h"
#include "util/AnsiText.h"
#include "ui/StdCtrls.h"
#include "util/FileSearcher.h"
#include "util/MakerSite.h"
#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"
#include "util/SafeFormat.h"

namespace {

constexpr TColor kLinkColor = 14051374;  // 0xD6682E
constexpr char kLanguageExists[] = "The %s is exists, overwrite?";
constexpr char kHotKeyInUse[] =
    "The hot key %s is in use by another program. Please choose another one.";

// One check box row more than the design's general page holds (the tray icon's free-memory
// figure): the controls below it, the pages, the buttons and the form grow by one row.
constexpr int kRow = 24;
constexpr int kClientWidth = 453;
constexpr int kClientHeight = 327 + kRow;

struct SwatchSpec {
  const char* panel;
  const char* label;
  const char* text;
  int x, y, labelX, labelY;
};
// In tag order; the first five sit in the CPU group, the rest in the RAM group.
constexpr SwatchSpec kSwatches[10] = {
    {"pnl_cpugridcolor", "lbl_cpugridcolor", "Grid Color", 108, 19, 16, 21},
    {"pnl_cpustartbackcolor", "lbl_cpustartbackcolor", "Start Back Color", 108, 43, 16, 45},
    {"pnl_cpuendbackcolor", "lbl_cpuendbackcolor", "End Back Color", 108, 67, 16, 69},
    {"pnl_cpuhighcpucolor", "lbl_cpuhighcpucolor", "High CPU Color", 268, 19, 184, 21},
    {"pnl_cpulowcpucolor", "lbl_cpulowcpucolor", "Low CPU Color", 268, 43, 184, 45},
    {"pnl_ramgridcolor", "lbl_ramgridcolor", "Grid Color", 108, 19, 16, 21},
    {"pnl_ramstartbackcolor", "lbl_ramstartbackcolor", "Start Back Color", 108, 43, 16, 45},
    {"pnl_ramendbackcolor", "lbl_ramendbackcolor", "End Back Color", 108, 67, 16, 69},
    {"pnl_ramhighramcolor", "lbl_ramhighramcolor", "High RAM Color", 268, 19, 184, 21},
    {"pnl_ramlowramcolor", "lbl_ramlowramcolor", "Low RAM Color", 268, 43, 184, 45},
};

template <class T>
T* Make(TComponent* owner, TWinControl* parent, const char* name, int x, int y, int w, int h,
        const std::string& caption = std::string()) {
  T* c = new T(owner);
  c->SetName(name);
  c->SetBounds(x, y, w, h);
  if (!caption.empty()) c->SetCaption(caption);
  c->SetParent(parent);
  return c;
}

void SetupPreview(TQvGDIPlusTrendLine* line) {
  line->SetAutoDraw(false);
  line->SetMax(100);
  line->SetMin(0);
  line->SetShowBorder(true);
  line->SetBorderColor1(kLinkColor);
  line->SetBorderColor2(kLinkColor);
  line->SetBorderAlpha(128);
  line->SetShowGrid(true);
  line->SetGridSize(10);
  line->SetGridColor(4227072);
  line->SetGridColorAlpha(128);
  line->SetShowBackColor(true);
  line->SetBackColorMode(Gdiplus::LinearGradientModeVertical);
  line->SetBackColor1(0x000000);
  line->SetBackColor2(0xFFFFFF);
  line->SetBackColorAlpha(128);
  for (int n = 1; n <= 5; ++n) {
    line->SetLineVisible(n, n == 1);
    line->SetLineFill(n, n == 1);
    line->SetLineColor1(n, n == 1 ? 0x0000FF : 0x000000);
    line->SetLineColor2(n, n == 1 ? 0x00FF00 : 0x000000);
    line->SetLineAlpha(n, n == 1 ? 128 : 0);
    line->SetLineFillAlpha(n, n == 1 ? 128 : 0);
    line->SetLineWidth(n, 1);
  }
  line->SetAutoDraw(true);
}

void SetupSwatch(TpcDockPanel* p) {
  p->SetCursor(crHandPoint);
  p->SetShowBorder(true);
  p->SetBorderColor1(static_cast<TColor>(-1));
  p->SetBorderColor2(0x000000);
  p->SetBorderAlpha(100);
  p->SetShowBackColor(true);
  p->SetBackColor1(0xFF0000);
  p->SetBackColor2(0xFF0000);
  p->SetBackColorAlpha(128);
  p->SetBackColorMode(Gdiplus::LinearGradientModeVertical);
  p->SetShowImage(false);
}

// A name the language list would show: anything else copied into the program folder could
// be the portable marker, the portable settings or the program itself.
bool IsLanguageFileName(const std::string& fileName) {
  constexpr size_t kExtLength = 4;  // ".lng"
  return fileName.size() > kExtLength &&
         SameTextIgnoringCase(fileName.substr(fileName.size() - kExtLength), ".lng");
}

int FindItemNoCase(const TComboBox* box, const std::string& text) {
  for (int i = 0; i < box->ItemCount(); ++i)
    if (SameTextIgnoringCase(box->Item(i), text)) return i;
  return -1;
}

}  // namespace

std::string LanguagePageUrl() { return std::string(kMakerHost) + "/memtidelang"; }

std::string LanguageNameOf(const std::string& FileName) {
  size_t slash = FileName.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? FileName : FileName.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

TFrmOptions::TFrmOptions(TComponent* Owner, TOptionsHost Host)
    : TForm(Owner), ProgramFolder(GetProgramFolder()), OpenUrl(OpenWithShell),
      host_(std::move(Host)) {
  CreateComponents();
  ScaleForDpi(dpi::SystemDpi());
  FormCreate(this);
}

TFrmOptions::~TFrmOptions() {
  if (host_.Freed) host_.Freed(*this);
}

void TFrmOptions::CreateComponents() {
  SetName("FrmOptions");
  SetCaption("Options");
  SetBorderStyle(bsToolWindow);
  SetFormStyle(fsStayOnTop);
  SetDialogKeys(true);
  SetBounds(463, 273, kClientWidth, kClientHeight);
  SetClientSize(kClientWidth, kClientHeight);
  BeginLoading();

  btnOk = Make<TButton>(this, this, "btnOk", 266, 294 + kRow, 75, 22, "Ok");
  btnOk->SetDefault(true);
  btnOk->OnClick = [this](TObject* s) { btnOkClick(s); };
  btnCancel = Make<TButton>(this, this, "btnCancel", 362, 294 + kRow, 75, 22, "Cancel");
  btnCancel->SetCancel(true);
  btnCancel->OnClick = [this](TObject* s) { btnCancelClick(s); };
  PageControl1 = Make<TPageControl>(this, this, "PageControl1", 8, 8, 441, 275 + kRow);

  tab_general = new TTabSheet(this);
  tab_general->SetName("tab_general");
  tab_general->SetCaption("General Settings");
  tab_general->SetPageControl(PageControl1);

  gbx_general =
      Make<TGroupBox>(this, tab_general, "gbx_general", 5, 9, 422, 131 + kRow, "General");
  cbx_runstartup = Make<TCheckBox>(this, gbx_general, "cbx_runstartup", 24, 24, 353, 17,
                                   "Run Memtide when Windows Startup");
  cbx_showmessage = Make<TCheckBox>(this, gbx_general, "cbx_showmessage", 24, 48, 353, 17,
                                    "Show message in trayicon when optimizing RAM");
  cbx_showfreememory = Make<TCheckBox>(this, gbx_general, "cbx_showfreememory", 24, 72, 353, 17,
                                       "Show free memory in the tray icon");
  cbx_cpudatafromsystemperformance =
      Make<TCheckBox>(this, gbx_general, "cbx_cpudatafromsystemperformance", 24, 72 + kRow, 353,
                      17, "Get CPU data from System Performance Monitor");
  lbl_Language =
      Make<TLabel>(this, gbx_general, "lbl_Language", 24, 96 + kRow, 47, 13, "Language");
  cbx_Language = Make<TComboBox>(this, gbx_general, "cbx_Language", 80, 95 + kRow, 185, 21);
  cbx_Language->SetItemHeight(13);
  btnAdd = Make<TButton>(this, gbx_general, "btnAdd", 267, 94 + kRow, 20, 20, "...");
  btnAdd->OnClick = [this](TObject* s) { btnAddClick(s); };
  lbl_morelanguage = Make<TLabel>(this, gbx_general, "lbl_morelanguage", 296, 96 + kRow, 103,
                                  13, "Get more language...");
  lbl_morelanguage->SetCursor(crHandPoint);
  lbl_morelanguage->Font()->SetColor(kLinkColor);
  lbl_morelanguage->OnClick = [this](TObject* s) { lbl_morelanguageClick(s); };

  gbx_optimize =
      Make<TGroupBox>(this, tab_general, "gbx_optimize", 5, 146 + kRow, 422, 89, "Optimize");
  cbx_autooptimize =
      Make<TCheckBox>(this, gbx_optimize, "cbx_autooptimize", 24, 24, 385, 17,
                      "AutoOptimize when memory amount is lower than 8% of total RAM");
  lbl_hotkey = Make<TLabel>(this, gbx_optimize, "lbl_hotkey", 24, 53, 78, 13, "Optimize Hotkey");
  hk_optimize = Make<THotKey>(this, gbx_optimize, "hk_optimize", 110, 51, 195, 19);
  hk_optimize->SetHotKey(32833);
  // A global hot key without Ctrl or Alt would take a plain key from every other program.
  hk_optimize->SetRules(HKCOMB_NONE | HKCOMB_S, HOTKEYF_CONTROL | HOTKEYF_ALT);

  tab_colors = new TTabSheet(this);
  tab_colors->SetName("tab_colors");
  tab_colors->SetCaption("Colors");
  tab_colors->SetPageControl(PageControl1);
  gbx_cpucolors = Make<TGroupBox>(this, tab_colors, "gbx_cpucolors", 4, 9, 422, 99, "CPU Colors");
  gbx_ramcolors = Make<TGroupBox>(this, tab_colors, "gbx_ramcolors", 4, 115, 422, 99, "RAM Colors");

  for (int i = 0; i < 10; ++i) {
    const SwatchSpec& s = kSwatches[i];
    TGroupBox* group = i < 5 ? gbx_cpucolors : gbx_ramcolors;
    swatchLabels[i] = Make<TLabel>(this, group, s.label, s.labelX, s.labelY, 60, 13, s.text);
    TpcDockPanel* p = Make<TpcDockPanel>(this, group, s.panel, s.x, s.y, 25, 17);
    SetupSwatch(p);
    p->SetTag(i + 1);
    p->OnClick = [this](TObject* sender) { pnl_cpugridcolorClick(sender); };
    swatches[i] = p;
  }
  line_CPU = Make<TQvGDIPlusTrendLine>(this, gbx_cpucolors, "line_CPU", 328, 19, 81, 61);
  line_RAM = Make<TQvGDIPlusTrendLine>(this, gbx_ramcolors, "line_RAM", 328, 19, 81, 61);
  SetupPreview(line_CPU);
  SetupPreview(line_RAM);

  CD = new TColorDialog(this);
  CD->SetName("CD");
  OD = new TOpenDialog(this);
  OD->SetName("OD");
  OD->DefaultExt = "*.lng";
  OD->Filter = "Language File(*.lng)|*.lng|All File(*.*)|*.*";

  PageControl1->SetActivePage(tab_general);
  EndLoading();
}

void TFrmOptions::FormCreate(TObject*) { FillPreview(); }

void TFrmOptions::CreateWindowHandle() {
  TForm::CreateWindowHandle();
  // The frame of a tool window is known exactly only once the window exists.
  SetClientSize(dpi::Scale(kClientWidth, PixelsPerInch()),
                dpi::Scale(kClientHeight, PixelsPerInch()));
}

void TFrmOptions::FillPreview() {
  line_CPU->SetAutoDraw(false);
  line_RAM->SetAutoDraw(false);
  for (int i = 0; i < 100; ++i) {
    const int v = i < 50 ? 50 : 100;
    line_CPU->AddValue(1, v);
    line_RAM->AddValue(1, v);
  }
  line_CPU->SetAutoDraw(true);
  line_RAM->SetAutoDraw(true);
}

void TFrmOptions::ApplyToContainer(TWinControl* Container) {
  for (int i = 0; i < Container->ControlCount(); ++i) {
    TControl* c = Container->Controls(i);
    if (dynamic_cast<TGroupBox*>(c) || dynamic_cast<TLabel*>(c) || dynamic_cast<TCheckBox*>(c) ||
        dynamic_cast<TTabSheet*>(c) || dynamic_cast<TButton*>(c))
      c->SetCaption(language_->GetString("FrmOptions", c->Name(), c->Caption()));
  }
}

void TFrmOptions::ApplyLanguage(TMultiLanguage* Language) {
  if (!Language) return;
  language_ = Language;
  for (TWinControl* container :
       {static_cast<TWinControl*>(this), static_cast<TWinControl*>(PageControl1),
        static_cast<TWinControl*>(tab_general), static_cast<TWinControl*>(gbx_general),
        static_cast<TWinControl*>(gbx_optimize), static_cast<TWinControl*>(tab_colors),
        static_cast<TWinControl*>(gbx_cpucolors), static_cast<TWinControl*>(gbx_ramcolors)})
    ApplyToContainer(container);
}

void TFrmOptions::RefreshLanguageList() {
  TFileSearchTypeListObj types;
  TFileSearchTypeObj* type = types.AddType();
  type->Masks = "*.lng";
  type->TypeNumber = 1;
  TFileSearcher searcher;
  searcher.ProcessMessages = [] { Application()->ProcessMessages(); };
  searcher.Search(ProgramFolder, true);
  searcher.Classify(&types);
  searcher.RemoveUnclassified();
  cbx_Language->ClearItems();
  for (int i = 0; i < searcher.Count(); ++i) {
    std::string name = LanguageNameOf(searcher.Items(i)->Name);
    if (!name.empty()) cbx_Language->AddItem(name);
  }
}

void TFrmOptions::LoadOptions(TOptions* Options) {
  if (!Options) return;
  options_ = Options;
  cbx_runstartup->SetChecked(Options->IsRunAtStartup());
  cbx_showmessage->SetChecked(Options->ShowMessageWhenOptimizing);
  cbx_showfreememory->SetChecked(Options->ShowFreeMemoryInTrayIcon);
  cbx_autooptimize->SetChecked(Options->AutoOptimize);
  cbx_cpudatafromsystemperformance->SetChecked(Options->CPUDataFromSystemPerform);
  hk_optimize->SetHotKey(static_cast<std::uint16_t>(Options->HotKey & 0xFFFF));
  shownHotKey_ = hk_optimize->HotKey();

  const std::uint32_t colors[10] = {
      Options->CPUGridColor,      Options->CPUStartBackColor, Options->CPUEndBackColor,
      Options->CPUHighCPUColor,   Options->CPULowCPUColor,    Options->RAMGridColor,
      Options->RAMStartBackColor, Options->RAMEndBackColor,   Options->RAMHighRAMColor,
      Options->RAMLowRAMColor};
  for (int i = 0; i < 10; ++i) {
    swatches[i]->SetBackColor1(colors[i]);
    swatches[i]->SetBackColor2(swatches[i]->BackColor1());
    if (i == 4 || i == 9) {
      TQvGDIPlusTrendLine* line = i == 4 ? line_CPU : line_RAM;
      const std::uint32_t* c = colors + (i - 4);
      line->SetGridColor(c[0]);
      line->SetBackColor1(c[1]);
      line->SetBackColor2(c[2]);
      line->SetLine1Color1(c[3]);
      line->SetLine1Color2(c[4]);
    }
  }
  FillPreview();
  cbx_Language->SetItemIndex(FindItemNoCase(cbx_Language, Options->Language));
}

void TFrmOptions::SetPreviewColor(int Tag, std::uint32_t Color) {
  TQvGDIPlusTrendLine* line = Tag <= 5 ? line_CPU : line_RAM;
  switch ((Tag - 1) % 5) {
    case 0: line->SetGridColor(Color); break;
    case 1: line->SetBackColor1(Color); break;
    case 2: line->SetBackColor2(Color); break;
    case 3:
    case 4:
      // The line colours are drawn only on a full render.
      line->SetAutoDraw(false);
      if ((Tag - 1) % 5 == 3)
        line->SetLine1Color1(Color);
      else
        line->SetLine1Color2(Color);
      line->SetAutoDraw(true);
      break;
  }
}

void TFrmOptions::pnl_cpugridcolorClick(TObject* Sender) {
  auto* swatch = dynamic_cast<TpcDockPanel*>(Sender);
  if (!swatch) return;
  CD->SetColor(swatch->BackColor1());
  if (!CD->Execute(HandleAllocated() ? Handle() : nullptr)) return;
  swatch->SetBackColor1(CD->Color());
  swatch->SetBackColor2(swatch->BackColor1());
  if (swatch->Tag() >= 1 && swatch->Tag() <= 10) SetPreviewColor(swatch->Tag(), CD->Color());
}

void TFrmOptions::btnOkClick(TObject*) {
  if (!options_) {
    Close();
    return;
  }
  options_->SetRunAtStartup(cbx_runstartup->Checked());
  options_->ShowMessageWhenOptimizing = cbx_showmessage->Checked();
  options_->AutoOptimize = cbx_autooptimize->Checked();
  // The control knows no Win key: a combination left as it was shown keeps the stored
  // value whole, so OK does not turn Win+O into O.
  const std::int32_t previousHotKey = options_->HotKey;
  if (hk_optimize->HotKey() != shownHotKey_)
    options_->HotKey = static_cast<std::int32_t>(hk_optimize->HotKey());
  std::uint32_t* colors[10] = {
      &options_->CPUGridColor,      &options_->CPUStartBackColor, &options_->CPUEndBackColor,
      &options_->CPUHighCPUColor,   &options_->CPULowCPUColor,    &options_->RAMGridColor,
      &options_->RAMStartBackColor, &options_->RAMEndBackColor,   &options_->RAMHighRAMColor,
      &options_->RAMLowRAMColor};
  for (int i = 0; i < 10; ++i) *colors[i] = swatches[i]->BackColor1();
  options_->CPUDataFromSystemPerform = cbx_cpudatafromsystemperformance->Checked();
  options_->ShowFreeMemoryInTrayIcon = cbx_showfreememory->Checked();

  const bool monitor = host_.MonitorExists && host_.MonitorExists();
  if (monitor) {
    if (host_.SetMonitorChartsAutoDraw) host_.SetMonitorChartsAutoDraw(false);
    if (host_.MonitorApplyOptions) host_.MonitorApplyOptions(options_);
    if (host_.SetMonitorChartsAutoDraw) host_.SetMonitorChartsAutoDraw(true);
    if (host_.MonitorSetCPUSource) host_.MonitorSetCPUSource(options_->CPUDataFromSystemPerform);
  }
  bool hotKeyRefused = false;
  if (host_.RegisterOptimizeHotKey &&
      !host_.RegisterOptimizeHotKey(static_cast<std::uint32_t>(options_->HotKey))) {
    // Another program holds it and the previous hot key is still the registered one: the
    // setting keeps that, and the dialog stays open for another choice.
    hotKeyRefused = true;
    const std::string combination =
        HotKeyToText(hotkey::MaskHotKey(static_cast<std::uint32_t>(options_->HotKey)), true);
    options_->HotKey = previousHotKey;
    ShowMessageBox(SafeFormat(Msg("msg_hotkeyInUse", kHotKeyInUse), {combination}),
                   MB_OK | MB_ICONERROR);
  }
  if (host_.MainApplyTrayIcon) host_.MainApplyTrayIcon();

  // No selection (the file of the stored language was renamed or removed) is no choice:
  // the stored name stays.
  const std::string chosen =
      cbx_Language->ItemIndex() >= 0 ? cbx_Language->Text() : options_->Language;
  if (chosen != options_->Language) {
    options_->Language = chosen;
    if (language_) {
      language_->LoadFromFile(ProgramFolder + options_->Language + ".lng");
      if (host_.MainApplyLanguage) host_.MainApplyLanguage(language_);
      if (monitor && host_.MonitorApplyLanguage) host_.MonitorApplyLanguage(language_);
      ApplyLanguage(language_);
    }
  }
  // A failed save has been reported; the dialog stays open so nothing is lost silently.
  if (!options_->SaveSettings() || hotKeyRefused) return;
  Close();
}

void TFrmOptions::btnCancelClick(TObject*) { Close(); }

void TFrmOptions::btnAddClick(TObject*) {
  if (!OD->Execute(HandleAllocated() ? Handle() : nullptr)) return;
  const std::string source = OD->FileName;
  const size_t slash = source.find_last_of("\\/:");
  const std::string fileName = slash == std::string::npos ? source : source.substr(slash + 1);
  if (!IsLanguageFileName(fileName)) return;
  const std::string destination = ProgramFolder + fileName;
  if (IsExistingFile(destination)) {
    if (ShowMessageBox(SafeFormat(Msg("msg_languageExists", kLanguageExists), {fileName}),
                       MB_YESNO | MB_ICONQUESTION) == IDNO)
      return;
  }
  if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) return;
  RefreshLanguageList();
  cbx_Language->SetItemIndex(FindItemNoCase(cbx_Language, LanguageNameOf(fileName)));
}

std::string TFrmOptions::Msg(const char* Key, const char* Default) const {
  return language_ ? language_->GetMsg(Key, Default) : std::string(Default);
}

void TFrmOptions::lbl_morelanguageClick(TObject*) {
  if (OpenUrl) OpenUrl(LanguagePageUrl());
}
