#include "ui/Timer.h"

#include <map>

#include "ui/MessageWindow.h"

namespace {
// Live timers by id. Ids are never reused, so a WM_TIMER still queued after KillTimer
// finds no timer instead of a deleted one.
std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}
UINT_PTR g_next_id = 1;

// One hidden window carries every timer of the thread; it lives until the process ends.
HWND TimerWindow() {
  static TMessageWindow* window = new TMessageWindow([](UINT Msg, WPARAM WParam, LPARAM,
                                                         LRESULT& Result) {
    if (Msg != WM_TIMER) return false;
    auto it = Timers().find(WParam);
    if (it != Timers().end()) it->second->Timer();
    Result = 0;
    return true;
  });
  return window->Handle();
}
}  // namespace

TTimer::TTimer(TComponent* Owner) : TComponent(Owner) { Update(); }

TTimer::~TTimer() {
  enabled_ = false;
  Update();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  Update();
}

void TTimer::SetInterval(unsigned Value) {
  if (Value == interval_) return;
  interval_ = Value;
  Update();
}

void TTimer::Update() {
  if (id_) {
    KillTimer(TimerWindow(), id_);
    Timers().erase(id_);
    id_ = 0;
  }
  if (!enabled_ || interval_ == 0) return;
  UINT_PTR id = g_next_id++;
  if (SetTimer(TimerWindow(), id, interval_, nullptr)) {
    id_ = id;
    Timers()[id_] = this;
  }
}

void TTimer::Timer() {
  // A copy: a handler may free its own timer, and with it this member.
  if (TNotifyEvent handler = OnTimer) handler(this);
}
