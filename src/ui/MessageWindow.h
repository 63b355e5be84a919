// A hidden top-level window whose messages go to a function: for components that need a
// window of their own (tray icon, hot keys). Top-level rather than message-only so that it
// also receives broadcasts such as "TaskbarCreated". Exceptions from the handler go to the
// application's error display.
#pragma once
#include <windows.h>

#include <functional>

#include "ui/WinControl.h"

class TMessageWindow : public TWindowTarget {
 public:
  // Handler returns true when it handled the message (its Result is then returned);
  // otherwise DefWindowProcA answers.
  using Handler = std::function<bool(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)>;
  explicit TMessageWindow(Handler OnMessage);
  ~TMessageWindow();
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  HWND Handle() const { return handle_; }
  LRESULT WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  Handler on_message_;
  HWND handle_ = nullptr;
};
