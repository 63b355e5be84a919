// Shows the options dialog at (40, 40) on one of its pages for a screenshot, aware of the
// display's DPI as the program is (tools/dpi_shots.sh):
//   OptionsShot.exe general|colors [seconds]
// The settings come from a scratch registry key that is removed afterwards.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "controls/ColorUnit.h"
#include "settings/MultiLanguage.h"
#include "settings/OptionsFrm.h"
#include "settings/OptionsUnit.h"
#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/StdCtrls.h"

namespace {
constexpr const char* kKey = "Software\\MemtideTools\\OptionsShot";
constexpr const char* kRunKey = "Software\\MemtideTools\\OptionsShotRun";
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  dpi::MakeProcessDpiAware();  // the program's manifest declares it; this tool has none
  GdiPlusSession gdiplus;
  const bool colors = __argc > 1 && std::strcmp(__argv[1], "colors") == 0;
  const DWORD seconds = __argc > 2 ? static_cast<DWORD>(std::atoi(__argv[2])) : 8;
  TOptionsStorage storage = TOptionsStorage::ForThisProgram();
  storage.SettingsKey = kKey;
  storage.RunKey = kRunKey;
  {
    TOptions options(storage);
    options.OnWriteError = [](const std::string&) {};
    TMultiLanguage language;
    auto dlg = std::make_unique<TFrmOptions>(nullptr, TOptionsHost{});
    dlg->ApplyLanguage(&language);
    dlg->RefreshLanguageList();
    dlg->LoadOptions(&options);
    dlg->SetBounds(40, 40, dlg->Width(), dlg->Height());
    dlg->PageControl1->SetActivePage(colors ? dlg->tab_colors : dlg->tab_general);
    dlg->Show();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
      Application()->ProcessMessages();
      Sleep(20);
    }
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  RegDeleteTreeA(HKEY_CURRENT_USER, kRunKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, kRunKey);
  return 0;
}
