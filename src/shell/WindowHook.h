// Replacing another window's procedure (SetWindowLongPtrA GWLP_WNDPROC) to watch its
// messages. The watcher sees each message first; the message then always goes on to the
// previous procedure, whose result is the message's result.
//
// Hooks form a chain: whoever replaced a procedure later should be undone first. When that
// order is broken (someone replaced the procedure after us and is still there), removing
// our hook leaves a pass-through link behind instead of cutting the later one out.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

class TWindowHook {
 public:
  using Watcher = std::function<void(UINT Msg, WPARAM WParam, LPARAM LParam)>;

  TWindowHook(HWND Wnd, Watcher OnMessage);
  ~TWindowHook();
  TWindowHook(const TWindowHook&) = delete;
  TWindowHook& operator=(const TWindowHook&) = delete;

  HWND Window() const { return wnd_; }
  bool Installed() const { return record_ != nullptr; }

  struct Record;

 private:
  HWND wnd_;
  std::shared_ptr<Record> record_;
};
