// Program entry: the single-instance rule, then the hidden main form and the message loop.
#include <windows.h>

#include <exception>

#include "app/CommandLine.h"
#include "app/MemtideMainFrm.h"
#include "app/OptimizeOnce.h"
#include "app/multinst.h"
#include "controls/ColorUnit.h"
#include "monitor/MemtideFrm.h"
#include "settings/OptionsFrm.h"
#include "ui/Application.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"
#include "util/SystemLibrary.h"

namespace {

HWND MainFormWindow() {
  if (!FrmMemtideMain || !FrmMemtideMain->HandleAllocated()) return nullptr;
  return FrmMemtideMain->Handle();
}

// Frees the forms newest first, so that procedures chained onto the application window
// are put back in the reverse order of their replacement. The program-wide references are
// cleared before their forms go.
void FreeForms(TApplication& application) {
  while (application.ComponentCount() > 0) {
    TComponent* form = application.Components(application.ComponentCount() - 1);
    if (FrmOptions && (form == FrmOptions || FrmOptions->Owner() == form)) FrmOptions = nullptr;
    if (form == FrmMemtide) FrmMemtide = nullptr;
    delete form;
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Before anything loads a library: the program's folder may hold planted copies.
  RestrictLibrarySearchToSystemFolder();
  const std::vector<std::string> args = ProgramArguments();
  const bool optimizeOnce = IsOptimizeRequest(args);
  multinst::RegisterInstanceMessage();
  // One atomic step decides which of two instances started together goes on.
  bool alreadyRunning = false;
  UniqueHandle instanceMutex =
      multinst::CreateInstanceMutex(multinst::kInstanceName, alreadyRunning);
  if (alreadyRunning) {
    // "-optimize" asks the running copy for a run, as "-autooptimize" does.
    const bool posted =
        multinst::NotifyRunningInstance(optimizeOnce || IsAutoOptimizeRequest(args));
    return optimizeOnce && !posted ? kOptimizeOnceFailed : 0;
  }

  GdiPlusSession gdiplus;
  if (optimizeOnce) {
    // A one-shot run is not the resident program: a copy started meanwhile (from the Run
    // entry, say) must become the running one, not hand its start to a process that ends.
    instanceMutex.reset();
    TApplication application;
    application.SetTitle("Memtide");
    return RunOptimizeOnce();
  }
  TApplication application;
  multinst::SetMainFormSource(&MainFormWindow);
  multinst::HookApplicationWindow(application.Handle());
  HWND appWindow = application.Handle();
  SetWindowLongPtrA(appWindow, GWL_EXSTYLE,
                    GetWindowLongPtrA(appWindow, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  application.SetTitle("Memtide");
  // Message boxes and shell launches are owned by the application window.
  SetApplicationWindowProvider([&application] { return application.Handle(); });
  try {
    application.SetMainForm(new TFrmMemtideMain(&application));
    application.Run();
  } catch (...) {
    application.HandleException(std::current_exception());
  }
  FreeForms(application);
  SetApplicationWindowProvider(nullptr);
  multinst::SetMainFormSource(nullptr);
  multinst::UnhookApplicationWindow();
  return 0;
}
