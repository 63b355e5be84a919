#include "ui/MessageWindow.h"

TMessageWindow::TMessageWindow(Handler OnMessage) : on_message_(std::move(OnMessage)) {
  wndproc::RegisterLayerClass("MemtideMessageWindow", 0);
  handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, "MemtideMessageWindow", "", WS_POPUP, 0, 0, 0, 0,
                            nullptr, nullptr, GetModuleHandleA(nullptr),
                            static_cast<TWindowTarget*>(this));
}

TMessageWindow::~TMessageWindow() {
  if (handle_) {
    wndproc::Detach(handle_);
    DestroyWindow(handle_);
  }
}

LRESULT TMessageWindow::WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCDESTROY) handle_ = nullptr;
  LRESULT result = 0;
  if (on_message_ && on_message_(Msg, WParam, LParam, result)) return result;
  return DefWindowProcA(Wnd, Msg, WParam, LParam);
}
