#include "util/ModalBoxScope.h"

#include "util/ModalLoop.h"

namespace {

constexpr UINT kKeepPlace = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

}  // namespace

ModalBoxScope::ModalBoxScope() : active_(GetActiveWindow()) {
  AnnounceModalLoop();
  EnumThreadWindows(GetCurrentThreadId(), &ModalBoxScope::Take, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK ModalBoxScope::Take(HWND wnd, LPARAM self) {
  if (!IsWindowVisible(wnd) || !IsWindowEnabled(wnd)) return TRUE;
  const bool topmost = (GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (topmost) SetWindowPos(wnd, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepPlace);
  EnableWindow(wnd, FALSE);
  reinterpret_cast<ModalBoxScope*>(self)->held_.push_back({wnd, topmost});
  return TRUE;
}

ModalBoxScope::~ModalBoxScope() {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    if (!IsWindow(it->Wnd)) continue;  // closed while the box was up
    EnableWindow(it->Wnd, TRUE);
    if (it->WasTopmost) SetWindowPos(it->Wnd, HWND_TOPMOST, 0, 0, 0, 0, kKeepPlace);
  }
  if (active_ && IsWindow(active_) && IsWindowVisible(active_)) SetActiveWindow(active_);
}
