#include "app/multinst.h"

#include <utility>

#include "monitor/MemtideMessages.h"

namespace multinst {
namespace {

UINT g_instanceMessage = 0;
HWND g_appWindow = nullptr;
WNDPROC g_previousProc = nullptr;
std::function<HWND()> g_mainForm;

LRESULT CALLBACK InstanceWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != g_instanceMessage || msg == 0) {
    if (g_previousProc) return CallWindowProcA(g_previousProc, wnd, msg, wParam, lParam);
    return DefWindowProcA(wnd, msg, wParam, lParam);
  }
  HWND mainForm = nullptr;
  try {
    if (g_mainForm) mainForm = g_mainForm();
  } catch (...) {
    mainForm = nullptr;
  }
  if (!mainForm) return 0;
  PostMessageA(mainForm, WM_INSTANCENOTICE, 0, 0);
  ForceForeground(wnd);
  if (lParam == 1) PostMessageA(mainForm, WM_STARTOPTIMIZE, 0, 0);
  return 0;
}

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

void SetMainFormSource(std::function<HWND()> source) { g_mainForm = std::move(source); }

bool HookApplicationWindow(HWND appWindow) {
  if (!appWindow || g_previousProc) return false;
  if (g_instanceMessage == 0) RegisterInstanceMessage();
  auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      appWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&InstanceWindowProc)));
  if (!previous) return false;
  g_appWindow = appWindow;
  g_previousProc = previous;
  return true;
}

void UnhookApplicationWindow() {
  if (g_previousProc && g_appWindow && IsWindow(g_appWindow)) {
    SetWindowLongPtrA(g_appWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProc));
  }
  g_previousProc = nullptr;
  g_appWindow = nullptr;
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
