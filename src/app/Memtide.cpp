// Program entry: the single-instance rule, then the hidden main form and the message loop.
#include <windows.h>

#include <exception>

#include "app/CommandLine.h"
#include "app/FormLinks.h"
#include "app/MemtideMainFrm.h"
#include "app/OptimizeOnce.h"
#include "app/multinst.h"
#include "controls/ColorUnit.h"
#include "ui/Application.h"
#include "util/QvBaseUnit.h"
#include "util/ScopedHandles.h"
#include "util/SystemLibrary.h"

namespace {

// Frees the forms newest first, so that procedures chained onto the application window
// are put back in the reverse order of their replacement, and the main form, made first,
// goes last. Each window tells the main form as it goes (app/FormLinks.h).
void FreeForms(TApplication& application) {
  while (application.ComponentCount() > 0)
    delete application.Components(application.ComponentCount() - 1);
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
  // The first hook on the application window, so the last undone: after every form's own.
  multinst::TInstanceHook instanceHook(application.Handle(), InstanceMainWindow(application));
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
  return 0;
}
