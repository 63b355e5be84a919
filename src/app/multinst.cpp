#include "app/multinst.h"

#include <utility>

#include "monitor/MemtideMessages.h"

namespace multinst {
namespace {

UINT g_instanceMessage = 0;

}  // namespace

UINT RegisterInstanceMessage() {
  g_instanceMessage = RegisterWindowMessageA(kInstanceName);
  return g_instanceMessage;
}

UINT InstanceMessage() { return g_instanceMessage; }

UniqueHandle CreateInstanceMutex(const char* name, bool& alreadyRunning) {
  SetLastError(ERROR_SUCCESS);
  UniqueHandle mutex(CreateMutexA(nullptr, FALSE, name));
  const DWORD error = GetLastError();
  // Access denied: the mutex exists, created under rights this process lacks.
  alreadyRunning =
      (mutex && error == ERROR_ALREADY_EXISTS) || (!mutex && error == ERROR_ACCESS_DENIED);
  if (alreadyRunning) mutex.reset();
  return mutex;
}

LPARAM RequestValue(bool autoOptimize) { return autoOptimize ? 1 : 0; }

bool NotifyRunningInstance(bool autoOptimize) {
  if (g_instanceMessage == 0) RegisterInstanceMessage();
  DWORD recipients = BSM_APPLICATIONS;
  const long result = BroadcastSystemMessageA(BSF_IGNORECURRENTTASK | BSF_POSTMESSAGE, &recipients,
                                              g_instanceMessage, 0, RequestValue(autoOptimize));
  return result > 0;
}

TInstanceHook::TInstanceHook(HWND AppWindow, std::function<HWND()> MainWindow)
    : mainWindow_(std::move(MainWindow)),
      hook_(AppWindow, [this, AppWindow](UINT Msg, WPARAM, LPARAM LParam) {
        if (Msg != 0 && Msg == g_instanceMessage) InstanceRequest(AppWindow, LParam);
      }) {
  if (g_instanceMessage == 0) RegisterInstanceMessage();
}

void TInstanceHook::InstanceRequest(HWND AppWindow, LPARAM Request) {
  HWND mainForm = nullptr;
  try {
    if (mainWindow_) mainForm = mainWindow_();
  } catch (...) {
    mainForm = nullptr;  // no main form to tell: the request is dropped like any early one
  }
  if (!mainForm) return;
  PostMessageA(mainForm, WM_INSTANCENOTICE, 0, 0);
  ForceForeground(AppWindow);
  if (Request == 1) PostMessageA(mainForm, WM_STARTOPTIMIZE, 0, 0);
}

bool ForceForeground(HWND window) {
  HWND foreground = GetForegroundWindow();
  if (foreground == window) return true;
  const DWORD foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
  const DWORD windowThread = GetWindowThreadProcessId(window, nullptr);
  if (foregroundThread != windowThread) {
    AttachThreadInput(foregroundThread, windowThread, TRUE);
    const bool attachedOk = SetForegroundWindow(window) != FALSE;
    AttachThreadInput(foregroundThread, windowThread, FALSE);
    if (!attachedOk) return false;
    return SetForegroundWindow(window) != FALSE;
  }
  return SetForegroundWindow(window) != FALSE;
}

}  // namespace multinst
