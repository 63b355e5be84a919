// Shows the options dialog on one of its pages for a screenshot:
//   options_shot.exe general|colors [seconds]
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
#include "ui/StdCtrls.h"

int main(int argc, char** argv) {
  GdiPlusSession gdiplus;
  const bool colors = argc > 1 && std::strcmp(argv[1], "colors") == 0;
  const DWORD seconds = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 8;
  TOptionsStorage storage = TOptionsStorage::ForThisProgram();
  storage.SettingsKey = "Software\\MemtideTests\\options_shot";
  storage.RunKey = "Software\\MemtideTests\\options_shot_run";
  {
    TOptions options(storage);
    TMultiLanguage language;
    auto dlg = std::make_unique<TFrmOptions>(nullptr);
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
    options.OnWriteError = [](const std::string&) {};
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\MemtideTests\\options_shot");
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\MemtideTests\\options_shot");
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\MemtideTests\\options_shot_run");
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\MemtideTests\\options_shot_run");
  return 0;
}
