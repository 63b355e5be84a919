// TTimer: raises OnTimer every Interval milliseconds while Enabled and OnTimer is set.
// One-shot use: the handler sets Enabled to false. Changing Interval restarts the count.
#pragma once
#include <windows.h>

#include "ui/Component.h"
#include "ui/Control.h"

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* Owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned Value);

  TNotifyEvent OnTimer;

  // Runs OnTimer once as a tick would (the timer's own path; also for tests).
  void Timer();

 private:
  void Update();
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR Id, DWORD);
  bool enabled_ = true;
  unsigned interval_ = 1000;
  UINT_PTR id_ = 0;
};
