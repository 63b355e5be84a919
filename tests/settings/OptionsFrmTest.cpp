#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "ScratchRegistry.h"
#include "controls/ColorUnit.h"
#include "controls/DockPanel.h"
#include "controls/QvGDIPlusTrendLine.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsFrm.h"
#include "support/GdiPlusEnvironment.h"
#include "settings/OptionsUnit.h"
#include "shell/GlobalHotKeys.h"
#include "ui/Dialogs.h"
#include "ui/StdCtrls.h"
#include "util/QvBaseUnit.h"
#include "util/QvFileService.h"

using testsupport::TempFolder;

namespace {

class OptionsDialogTest : public ::testing::Test {
 protected:
  std::vector<std::string> calls;  // first: the settings report into it while they are freed
  ScratchKey key;
  TempFolder folder;     // program folder: language files and the portable settings
  TempFolder elsewhere;  // where added language files come from
  std::unique_ptr<TOptions> options;
  std::unique_ptr<TFrmOptions> dlg;
  TMultiLanguage language;
  bool hotKeyInUse = false;  // the main form's registration is refused by Windows

  void SetUp() override {
    options = std::make_unique<TOptions>(ScratchStorage(key, folder));
    options->OnWriteError = [this](const std::string& m) { calls.push_back("error " + m); };
    MakeDialog(RecordingHost());
    SetMessageBoxFunction(nullptr);
  }
  void TearDown() override {
    dlg.reset();
    SetMessageBoxFunction(nullptr);
  }
  // A dialog as the main form makes it, with this host.
  void MakeDialog(TOptionsHost host) {
    dlg.reset();
    dlg = std::make_unique<TFrmOptions>(nullptr, std::move(host));
    dlg->ProgramFolder = folder.Path();
    dlg->OpenUrl = [this](const std::string& url) { calls.push_back("open " + url); };
  }
  // Notes each call OK makes into the monitor window and the main form.
  TOptionsHost RecordingHost() {
    TOptionsHost host;
    host.MonitorExists = [] { return true; };
    host.SetMonitorChartsAutoDraw = [this](bool on) { calls.push_back(on ? "autodraw on" : "autodraw off"); };
    host.MonitorApplyOptions = [this](const TOptions* o) {
      calls.push_back(o == options.get() ? "monitor options" : "monitor options ?");
    };
    host.MonitorSetCPUSource = [this](bool v) { calls.push_back(v ? "cpu perf" : "cpu native"); };
    host.MonitorApplyLanguage = [this](const TMultiLanguage*) { calls.push_back("monitor language"); };
    host.RegisterOptimizeHotKey = [this](std::uint32_t k) {
      calls.push_back("hotkey " + std::to_string(k));
      return !hotKeyInUse;
    };
    host.MainApplyLanguage = [this](const TMultiLanguage*) { calls.push_back("main language"); };
    host.MainApplyTrayIcon = [this] { calls.push_back("tray icon"); };
    return host;
  }
  // Opens the dialog the way the tray action and the monitor's link do.
  void Open() {
    dlg->ApplyLanguage(&language);
    dlg->RefreshLanguageList();
    dlg->LoadOptions(options.get());
    dlg->Show();
  }
  std::vector<std::string> Items() const {
    std::vector<std::string> v;
    for (int i = 0; i < dlg->cbx_Language->ItemCount(); ++i) v.push_back(dlg->cbx_Language->Item(i));
    return v;
  }
  bool Shown() const { return IsWindowVisible(dlg->Handle()) != FALSE; }
};

}  // namespace

TEST_F(OptionsDialogTest, Design_FormAndControls) {
  EXPECT_EQ(dlg->Name(), "FrmOptions");
  EXPECT_EQ(dlg->Caption(), "Options");
  RECT client;
  GetClientRect(dlg->Handle(), &client);
  EXPECT_EQ(client.right, 453);
  EXPECT_EQ(client.bottom, 327 + 24);  // one check box row more on the general page
  const LONG_PTR ex = GetWindowLongPtrA(dlg->Handle(), GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongPtrA(dlg->Handle(), GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(dlg->Font()->Name(), "Tahoma");
  EXPECT_EQ(dlg->Font()->Height(), -11);

  EXPECT_EQ(dlg->btnOk->Caption(), "Ok");
  EXPECT_TRUE(dlg->btnOk->Default());
  EXPECT_TRUE(dlg->btnCancel->Cancel());
  EXPECT_EQ(dlg->PageControl1->PageCount(), 2);
  EXPECT_EQ(dlg->PageControl1->ActivePage(), dlg->tab_general);
  EXPECT_EQ(dlg->tab_general->Caption(), "General Settings");
  EXPECT_EQ(dlg->tab_colors->Caption(), "Colors");
  EXPECT_EQ(dlg->cbx_autooptimize->Caption(),
            "AutoOptimize when memory amount is lower than 8% of total RAM");
  EXPECT_EQ(dlg->cbx_autooptimize->Parent(), dlg->gbx_optimize);
  EXPECT_EQ(dlg->hk_optimize->HotKey(), 32833);
  EXPECT_EQ(dlg->lbl_morelanguage->Font()->Color(), 14051374u);
  EXPECT_EQ(dlg->lbl_morelanguage->Cursor(), crHandPoint);
  EXPECT_EQ(dlg->OD->Filter, "Language File(*.lng)|*.lng|All File(*.*)|*.*");
  EXPECT_EQ(dlg->OD->DefaultExt, "*.lng");
  for (int tag = 1; tag <= 10; ++tag) {
    TpcDockPanel* p = dlg->Swatch(tag);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Tag(), tag);
    EXPECT_EQ(p->Width(), 25);
    EXPECT_EQ(p->Height(), 17);
    EXPECT_EQ(p->Parent(), tag <= 5 ? dlg->gbx_cpucolors : dlg->gbx_ramcolors);
  }
  EXPECT_EQ(dlg->Swatch(9)->Name(), "pnl_ramhighramcolor");
  EXPECT_EQ(dlg->Swatch(9)->Left(), 268);
  EXPECT_EQ(dlg->Swatch(0), nullptr);
  // FormCreate filled the previews: 50 values at half height, then 50 at full height.
  ASSERT_EQ(dlg->line_CPU->Values(1).size(), 100u);
  EXPECT_EQ(dlg->line_CPU->Values(1).front(), 50);
  EXPECT_EQ(dlg->line_RAM->Values(1).back(), 100);
  EXPECT_TRUE(dlg->line_RAM->AutoDraw());
}

TEST_F(OptionsDialogTest, ApplyLanguage_OnlyKeysPresentChange) {
  folder.Write("x.lng", "[FrmOptions]\r\nbtnOk=Gut\r\n");
  language.LoadFromFile(folder.File("x.lng"));
  dlg->ApplyLanguage(&language);
  EXPECT_EQ(dlg->btnOk->Caption(), "Gut");
  EXPECT_EQ(dlg->btnCancel->Caption(), "Cancel");
  EXPECT_EQ(dlg->gbx_general->Caption(), "General");
  EXPECT_EQ(dlg->Caption(), "Options");
}

TEST_F(OptionsDialogTest, ApplyLanguage_ReachesEveryControlKindButNotTheOthers) {
  std::string text = "[FrmOptions]\r\n";
  const char* keys[] = {"btnOk", "btnCancel", "tab_general", "tab_colors", "gbx_general",
                        "gbx_optimize", "gbx_cpucolors", "gbx_ramcolors", "lbl_Language",
                        "lbl_morelanguage", "cbx_runstartup", "cbx_showmessage",
                        "cbx_showfreememory", "cbx_cpudatafromsystemperformance", "btnAdd", "lbl_hotkey",
                        "cbx_autooptimize", "lbl_ramlowramcolor", "lbl_cpugridcolor",
                        // not looked up:
                        "FrmOptions", "cbx_Language", "hk_optimize", "pnl_cpugridcolor",
                        "PageControl1"};
  for (const char* k : keys) text += std::string(k) + "=X_" + k + "\r\n";
  folder.Write("all.lng", text);
  language.LoadFromFile(folder.File("all.lng"));
  dlg->ApplyLanguage(&language);
  for (TControl* c : std::initializer_list<TControl*>{
           dlg->btnOk, dlg->btnCancel, dlg->tab_general, dlg->tab_colors, dlg->gbx_general,
           dlg->gbx_optimize, dlg->gbx_cpucolors, dlg->gbx_ramcolors, dlg->lbl_Language,
           dlg->lbl_morelanguage, dlg->cbx_runstartup, dlg->cbx_showmessage,
           dlg->cbx_showfreememory, dlg->cbx_cpudatafromsystemperformance, dlg->btnAdd, dlg->lbl_hotkey,
           dlg->cbx_autooptimize, dlg->swatchLabels[9], dlg->swatchLabels[0]})
    EXPECT_EQ(c->Caption(), "X_" + c->Name());
  EXPECT_EQ(dlg->Caption(), "Options");
  EXPECT_EQ(dlg->PageControl1->Caption(), "");
  EXPECT_EQ(dlg->Swatch(1)->Caption(), "");
  dlg->ApplyLanguage(nullptr);  // nothing
  EXPECT_EQ(dlg->btnOk->Caption(), "X_btnOk");
}

TEST_F(OptionsDialogTest, RefreshLanguageList_FilesOfTheProgramFolderOnly) {
  folder.Write("English.lng", "");
  folder.Write("Deutsch.lng", "");
  folder.Write("readme.txt", "");
  folder.Write(".lng", "");  // a name without stem is skipped
  CreateDirectoryA(folder.File("Lang").c_str(), nullptr);
  folder.Write("Lang\\Inner.lng", "");
  dlg->RefreshLanguageList();
  std::vector<std::string> items = Items();
  std::sort(items.begin(), items.end());
  EXPECT_EQ(items, (std::vector<std::string>{"Deutsch", "English"}));
  dlg->RefreshLanguageList();  // refills, does not append
  EXPECT_EQ(Items().size(), 2u);
}

TEST_F(OptionsDialogTest, LoadOptions_FillsEveryControl) {
  folder.Write("English.lng", "");
  folder.Write("Deutsch.lng", "");
  options->ShowMessageWhenOptimizing = false;
  options->AutoOptimize = true;
  options->CPUDataFromSystemPerform = true;
  options->ShowFreeMemoryInTrayIcon = true;
  options->HotKey = 0x1C04F;  // Win+Ctrl+Alt+O: the control keeps the low 16 bits
  options->RAMHighRAMColor = 0x123456;
  options->CPUGridColor = 0x010203;
  options->CPULowCPUColor = 0x0A0B0C;
  options->Language = "deutsch";
  options->SetRunAtStartup(true);
  Open();
  EXPECT_TRUE(dlg->cbx_runstartup->Checked());
  EXPECT_FALSE(dlg->cbx_showmessage->Checked());
  EXPECT_TRUE(dlg->cbx_autooptimize->Checked());
  EXPECT_TRUE(dlg->cbx_cpudatafromsystemperformance->Checked());
  EXPECT_TRUE(dlg->cbx_showfreememory->Checked());
  EXPECT_EQ(dlg->hk_optimize->HotKey(), 0xC04F);
  EXPECT_EQ(dlg->Swatch(9)->BackColor1(), 0x123456u);
  EXPECT_EQ(dlg->Swatch(9)->BackColor2(), 0x123456u);
  EXPECT_EQ(dlg->line_RAM->Line1Color1(), 0x123456u);
  EXPECT_EQ(dlg->line_CPU->GridColor(), 0x010203u);
  EXPECT_EQ(dlg->line_CPU->Line1Color2(), 0x0A0B0Cu);
  EXPECT_EQ(dlg->line_RAM->BackColor1(), 0xFFFFFFu);
  EXPECT_EQ(dlg->cbx_Language->Text(), "Deutsch");  // found without regard to case

  options->Language = "Klingon";
  dlg->LoadOptions(options.get());
  EXPECT_EQ(dlg->cbx_Language->ItemIndex(), -1);
  dlg->LoadOptions(nullptr);  // nothing
  EXPECT_EQ(dlg->Options(), options.get());
}

TEST_F(OptionsDialogTest, Ok_CopiesControlsAppliesAndSaves) {
  folder.Write("English.lng", "");
  folder.Write("Deutsch.lng", "[FrmOptions]\r\nbtnOk=Gut\r\n");
  Open();
  dlg->cbx_showmessage->SetChecked(false);
  dlg->cbx_autooptimize->SetChecked(false);
  dlg->cbx_cpudatafromsystemperformance->SetChecked(true);
  dlg->cbx_runstartup->SetChecked(true);
  dlg->cbx_showfreememory->SetChecked(true);
  dlg->hk_optimize->SetHotKey(0x6041);  // Ctrl+Shift+A
  for (int tag = 1; tag <= 10; ++tag) dlg->Swatch(tag)->SetBackColor1(static_cast<TColor>(tag * 0x10101));
  const std::vector<std::string> items = Items();
  dlg->cbx_Language->SetItemIndex(
      static_cast<int>(std::find(items.begin(), items.end(), "Deutsch") - items.begin()));
  ASSERT_EQ(dlg->cbx_Language->Text(), "Deutsch");
  dlg->btnOkClick(dlg->btnOk);

  EXPECT_FALSE(options->ShowMessageWhenOptimizing);
  EXPECT_FALSE(options->AutoOptimize);
  EXPECT_TRUE(options->CPUDataFromSystemPerform);
  EXPECT_TRUE(options->IsRunAtStartup());
  EXPECT_TRUE(options->ShowFreeMemoryInTrayIcon);
  EXPECT_EQ(options->HotKey, 0x6041);
  EXPECT_EQ(options->CPUGridColor, 0x10101u);
  EXPECT_EQ(options->CPULowCPUColor, 5u * 0x10101);
  EXPECT_EQ(options->RAMGridColor, 6u * 0x10101);
  EXPECT_EQ(options->RAMLowRAMColor, 10u * 0x10101);
  EXPECT_EQ(options->Language, "Deutsch");
  EXPECT_EQ(language.FileName(), folder.File("Deutsch.lng"));
  EXPECT_EQ(dlg->btnOk->Caption(), "Gut");
  EXPECT_EQ(calls, (std::vector<std::string>{"autodraw off", "monitor options", "autodraw on",
                                             "cpu perf", "hotkey 24641", "tray icon", "main language",
                                             "monitor language"}));
  // Saved to the store (the scratch registry key here).
  EXPECT_EQ(ReadDword(key.Sub("Memtide"), "HotKey"), 0x6041u);
  EXPECT_EQ(ReadString(key.Sub("Memtide"), "Language"), "Deutsch");
  EXPECT_FALSE(Shown());
}

TEST_F(OptionsDialogTest, Ok_SameLanguageAndNoMonitor_SkipsThoseSteps) {
  folder.Write("English.lng", "");
  TOptionsHost noMonitor = RecordingHost();
  noMonitor.MonitorExists = [] { return false; };
  MakeDialog(std::move(noMonitor));
  Open();
  dlg->hk_optimize->SetHotKey(0);  // a cleared hot key is stored and registered as 0
  dlg->btnOkClick(dlg->btnOk);
  EXPECT_EQ(options->HotKey, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"hotkey 0", "tray icon"}));
}

// The stored language's file was renamed or removed: the list shows no selection, and OK
// must not turn that into an empty name (which would mean the built-in texts from now on).
TEST_F(OptionsDialogTest, Ok_NoSelectionKeepsTheStoredLanguage) {
  folder.Write("English.lng", "");
  options->Language = "Deutsch";  // no Deutsch.lng any more
  Open();
  ASSERT_EQ(dlg->cbx_Language->ItemIndex(), -1);
  dlg->btnOkClick(dlg->btnOk);
  EXPECT_EQ(options->Language, "Deutsch");
  EXPECT_EQ(ReadString(key.Sub("Memtide"), "Language"), "Deutsch");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "main language"), 0);
}

// The control cannot show Win: a combination left as shown keeps it; a new one is taken.
TEST_F(OptionsDialogTest, Ok_KeepsTheWinModifierOfAnUnchangedHotKey) {
  options->HotKey = 0x1C04F;  // Win+Ctrl+Alt+O
  Open();
  dlg->btnOkClick(dlg->btnOk);
  EXPECT_EQ(options->HotKey, 0x1C04F);
  EXPECT_EQ(ReadDword(key.Sub("Memtide"), "HotKey"), 0x1C04Fu);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "hotkey " + std::to_string(0x1C04F)),
            calls.end());

  Open();
  dlg->hk_optimize->SetHotKey(0xC050);  // the user picks Ctrl+Alt+P
  dlg->btnOkClick(dlg->btnOk);
  EXPECT_EQ(options->HotKey, 0xC050);
}

// Another program holds the new combination: the previous hot key stays registered, so it
// stays the setting; the user is told once which combination is taken and may pick another.
TEST_F(OptionsDialogTest, Ok_HotKeyInUseKeepsThePreviousOneAndSaysWhichIsTaken) {
  std::vector<std::string> boxes;
  SetMessageBoxFunction([&](HWND, const std::string& text, const std::string& caption, UINT flags) {
    boxes.push_back(text + "|" + caption + "|" + std::to_string(flags));
    return IDOK;
  });
  Open();
  hotKeyInUse = true;
  dlg->hk_optimize->SetHotKey(0x6041);  // Ctrl+Shift+A
  dlg->cbx_autooptimize->SetChecked(false);
  dlg->btnOkClick(dlg->btnOk);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "The hot key " + HotKeyToText(0x6041, true) +
                          " is in use by another program. Please choose another one.|Memtide|" +
                          std::to_string(MB_OK | MB_ICONERROR));
  EXPECT_EQ(options->HotKey, 49231);
  EXPECT_EQ(ReadDword(key.Sub("Memtide"), "HotKey"), 49231u);
  EXPECT_FALSE(options->AutoOptimize);  // the rest of OK went through
  EXPECT_TRUE(Shown());

  // A translation of the message, and a combination that is free.
  folder.Write("x.lng", "[Language]\r\nmsg_hotkeyInUse=%s belegt\r\n");
  language.LoadFromFile(folder.File("x.lng"));
  dlg->btnOkClick(dlg->btnOk);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].substr(0, boxes[1].find('|')), HotKeyToText(0x6041, true) + " belegt");
  hotKeyInUse = false;
  dlg->btnOkClick(dlg->btnOk);
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(options->HotKey, 0x6041);
  EXPECT_FALSE(Shown());
}

// A plain key would become a global hot key taken from every program: the control puts
// Ctrl+Alt in place of no modifiers (or Shift alone).
TEST_F(OptionsDialogTest, HotKeyControlRefusesCombinationsWithoutCtrlOrAlt) {
  options->HotKey = 'O';  // stored by an older version: shown so the user can change it
  Open();
  EXPECT_EQ(dlg->hk_optimize->HotKey(), 'O');
  HWND hk = dlg->hk_optimize->Handle();
  SendMessageA(hk, WM_KEYDOWN, 'P', 0x00190001);
  SendMessageA(hk, WM_KEYUP, 'P', static_cast<LPARAM>(0xC0190001u));
  EXPECT_EQ(dlg->hk_optimize->HotKey(), 0xC050);  // Ctrl+Alt+P
}

TEST_F(OptionsDialogTest, Ok_WithoutSettingsOnlyCloses) {
  dlg->Show();
  dlg->btnOkClick(dlg->btnOk);
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(calls.empty());
}

TEST_F(OptionsDialogTest, Ok_FailedSaveKeepsTheDialogOpen) {
  folder.Write("PortableEdition.dat", "");
  CreateDirectoryA(folder.File("Memtide.ini").c_str(), nullptr);
  MakeDialog(TOptionsHost{});
  Open();
  calls.clear();
  dlg->btnOkClick(dlg->btnOk);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], "error Unable to write to " + folder.File("Memtide.ini"));
  EXPECT_TRUE(Shown());
}

TEST_F(OptionsDialogTest, Cancel_LeavesSettingsAndNextOpeningShowsThemAgain) {
  Open();
  dlg->CD->Runner = [](TColorDialog& d) {
    d.SetColor(0x00AA00);
    return true;
  };
  dlg->pnl_cpugridcolorClick(dlg->Swatch(9));
  EXPECT_EQ(dlg->line_RAM->Line1Color1(), 0x00AA00u);  // preview at once
  dlg->cbx_autooptimize->SetChecked(false);
  dlg->btnCancelClick(dlg->btnCancel);
  EXPECT_FALSE(Shown());
  EXPECT_EQ(options->RAMHighRAMColor, 0xFFFF00u);
  EXPECT_TRUE(options->AutoOptimize);
  EXPECT_TRUE(calls.empty());
  Open();
  EXPECT_EQ(dlg->Swatch(9)->BackColor1(), 0xFFFF00u);
  EXPECT_EQ(dlg->line_RAM->Line1Color1(), 0xFFFF00u);
  EXPECT_TRUE(dlg->cbx_autooptimize->Checked());
}

TEST_F(OptionsDialogTest, CloseButtonActsLikeCancel) {
  Open();
  dlg->cbx_autooptimize->SetChecked(false);
  SendMessageA(dlg->Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(Shown());
  EXPECT_TRUE(options->AutoOptimize);
}

TEST_F(OptionsDialogTest, SwatchClick_SetsSwatchAndItsPreviewProperty) {
  Open();
  TColor offered = 0;
  dlg->CD->Runner = [&](TColorDialog& d) {
    offered = d.Color();
    d.SetColor(0x112233);
    return true;
  };
  struct { int tag; TColor (*read)(TFrmOptions&); } cases[] = {
      {1, [](TFrmOptions& f) { return f.line_CPU->GridColor(); }},
      {2, [](TFrmOptions& f) { return f.line_CPU->BackColor1(); }},
      {3, [](TFrmOptions& f) { return f.line_CPU->BackColor2(); }},
      {4, [](TFrmOptions& f) { return f.line_CPU->Line1Color1(); }},
      {5, [](TFrmOptions& f) { return f.line_CPU->Line1Color2(); }},
      {6, [](TFrmOptions& f) { return f.line_RAM->GridColor(); }},
      {7, [](TFrmOptions& f) { return f.line_RAM->BackColor1(); }},
      {8, [](TFrmOptions& f) { return f.line_RAM->BackColor2(); }},
      {9, [](TFrmOptions& f) { return f.line_RAM->Line1Color1(); }},
      {10, [](TFrmOptions& f) { return f.line_RAM->Line1Color2(); }},
  };
  for (const auto& c : cases) {
    const TColor before = dlg->Swatch(c.tag)->BackColor1();
    const int renders = (c.tag <= 5 ? dlg->line_CPU : dlg->line_RAM)->RenderCount();
    dlg->pnl_cpugridcolorClick(dlg->Swatch(c.tag));
    EXPECT_EQ(offered, before) << c.tag;
    EXPECT_EQ(dlg->Swatch(c.tag)->BackColor1(), 0x112233u) << c.tag;
    EXPECT_EQ(dlg->Swatch(c.tag)->BackColor2(), 0x112233u) << c.tag;
    EXPECT_EQ(c.read(*dlg), 0x112233u) << c.tag;
    EXPECT_GT((c.tag <= 5 ? dlg->line_CPU : dlg->line_RAM)->RenderCount(), renders) << c.tag;
  }
  EXPECT_EQ(options->CPUGridColor, 0xFFB3B3u);  // only OK changes the settings
}

TEST_F(OptionsDialogTest, SwatchClick_CancelledOrNotASwatch_ChangesNothing) {
  Open();
  int runs = 0;
  dlg->CD->Runner = [&](TColorDialog& d) {
    ++runs;
    d.SetColor(0x445566);
    return false;
  };
  dlg->pnl_cpugridcolorClick(dlg->Swatch(1));
  EXPECT_EQ(dlg->Swatch(1)->BackColor1(), 0xFFB3B3u);
  dlg->pnl_cpugridcolorClick(dlg->btnOk);
  dlg->pnl_cpugridcolorClick(nullptr);
  EXPECT_EQ(runs, 1);
}

TEST_F(OptionsDialogTest, AddLanguage_CopiesSelectsAndAsksBeforeOverwriting) {
  folder.Write("English.lng", "");
  elsewhere.Write("Deutsch.lng", "[About]\r\nAuthor=new\r\n");
  Open();
  dlg->OD->Runner = [&](TOpenDialog& d) {
    d.FileName = elsewhere.File("Deutsch.lng");
    return true;
  };
  std::vector<std::string> asked;
  SetMessageBoxFunction([&](HWND, const std::string& text, const std::string& caption, UINT flags) {
    asked.push_back(text + "|" + caption + "|" + std::to_string(flags));
    return IDNO;
  });
  dlg->btnAddClick(dlg->btnAdd);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(dlg->cbx_Language->Text(), "Deutsch");
  EXPECT_EQ(Items().size(), 2u);

  // Again: the file exists now; a translated question with odd placeholders is safe.
  folder.Write("Deutsch.lng", "old");
  folder.Write("English.lng", "[Language]\r\nmsg_languageExists=%s gibt es %d%s, ersetzen?\r\n");
  language.LoadFromFile(folder.File("English.lng"));
  dlg->cbx_Language->SetItemIndex(-1);
  dlg->btnAddClick(dlg->btnAdd);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "Deutsch.lng gibt es %d, ersetzen?|Memtide|36");
  TMultiLanguage check;
  check.LoadFromFile(folder.File("Deutsch.lng"));
  EXPECT_EQ(check.GetAuthor(), "");  // No: not overwritten
  EXPECT_EQ(dlg->cbx_Language->ItemIndex(), -1);

  SetMessageBoxFunction([](HWND, const std::string&, const std::string&, UINT) { return IDYES; });
  dlg->btnAddClick(dlg->btnAdd);
  EXPECT_EQ(check.GetAuthor(), "new");
  EXPECT_EQ(dlg->cbx_Language->Text(), "Deutsch");
}

// Only language files are copied: another name could be the portable marker, the portable
// settings or the program itself, and would silently change where the settings live.
TEST_F(OptionsDialogTest, AddLanguage_OnlyLngNamesAreCopied) {
  folder.Write("Memtide.ini", "keep");
  std::string chosen;
  dlg->OD->Runner = [&](TOpenDialog& d) {
    d.FileName = elsewhere.File(chosen);
    return true;
  };
  int asked = 0;
  SetMessageBoxFunction([&](HWND, const std::string&, const std::string&, UINT) {
    ++asked;
    return IDYES;
  });
  Open();
  for (const char* name : {"PortableEdition.dat", "Memtide.ini", "Memtide.exe", "x.lng.txt",
                           "lng", ".lng"}) {
    chosen = name;
    elsewhere.Write(chosen, "[About]\r\nAuthor=x\r\n");
    dlg->btnAddClick(dlg->btnAdd);
    EXPECT_EQ(asked, 0) << name;
  }
  EXPECT_FALSE(IsExistingFile(folder.File("PortableEdition.dat")));
  EXPECT_FALSE(IsExistingFile(folder.File("Memtide.exe")));
  EXPECT_FALSE(IsExistingFile(folder.File("x.lng.txt")));
  EXPECT_FALSE(IsExistingFile(folder.File(".lng")));
  TMultiLanguage ini;
  ini.LoadFromFile(folder.File("Memtide.ini"));
  EXPECT_EQ(ini.GetAuthor(), "");  // not replaced
  EXPECT_TRUE(Items().empty());

  chosen = "Polski.LNG";  // the extension in any case
  elsewhere.Write(chosen, "");
  dlg->btnAddClick(dlg->btnAdd);
  EXPECT_TRUE(IsExistingFile(folder.File("Polski.LNG")));
  EXPECT_EQ(dlg->cbx_Language->Text(), "Polski");
}

TEST_F(OptionsDialogTest, AddLanguage_FailedCopyOrCancelDoesNothing) {
  Open();
  dlg->OD->Runner = [&](TOpenDialog& d) {
    d.FileName = elsewhere.File("missing.lng");
    return true;
  };
  dlg->btnAddClick(dlg->btnAdd);
  EXPECT_EQ(Items().size(), 0u);
  EXPECT_FALSE(IsExistingFile(folder.File("missing.lng")));
  dlg->OD->Runner = [](TOpenDialog&) { return false; };
  dlg->btnAddClick(dlg->btnAdd);
  EXPECT_EQ(Items().size(), 0u);
}

TEST_F(OptionsDialogTest, MoreLanguagesLinkOpensTheLanguagePage) {
  dlg->lbl_morelanguageClick(dlg->lbl_morelanguage);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("open https://", 0), 0u);
  EXPECT_NE(calls[0].find("/memtidelang"), std::string::npos);
}

TEST(OptionsDialogHelpers, LanguageNameOf) {
  EXPECT_EQ(LanguageNameOf("C:\\x\\Deutsch.lng"), "Deutsch");
  EXPECT_EQ(LanguageNameOf("a.b.lng"), "a.b");
  EXPECT_EQ(LanguageNameOf("noext"), "noext");
  EXPECT_EQ(LanguageNameOf(".lng"), "");
}

TEST(StdCtrlsHelpers, HotKeyWordConversionRoundTrips) {
  EXPECT_EQ(ShortCutToHotKeyWord(0xC04F), MAKEWORD(0x4F, HOTKEYF_CONTROL | HOTKEYF_ALT));
  EXPECT_EQ(ShortCutToHotKeyWord(32833), MAKEWORD('A', HOTKEYF_ALT));
  EXPECT_EQ(ShortCutToHotKeyWord(0x2070), MAKEWORD(VK_F1, HOTKEYF_SHIFT));
  EXPECT_EQ(HotKeyWordToShortCut(MAKEWORD(0x4F, HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT)), 0xC04F);
  for (std::uint32_t sc : {0x0u, 0x41u, 0x2041u, 0x4041u, 0x8041u, 0xE0FFu})
    EXPECT_EQ(HotKeyWordToShortCut(ShortCutToHotKeyWord(static_cast<std::uint16_t>(sc))), sc);
}

TEST(StdCtrlsHelpers, OpenDialogTexts) {
  EXPECT_EQ(OpenFilterList("A|*.a|B|*.b"), std::string("A\0*.a\0B\0*.b\0\0", 13));
  EXPECT_EQ(OpenDefaultExt("*.lng"), "lng");
  EXPECT_EQ(OpenDefaultExt(".lng"), "lng");
  EXPECT_EQ(OpenDefaultExt("lng"), "lng");
  EXPECT_EQ(OpenDefaultExt(""), "");
}
