#include "shell/TrayIcon.h"

#include <algorithm>

#include "ui/Application.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/Menus.h"
#include "ui/Timer.h"
#include "util/SystemLibrary.h"

namespace tray {

SIZE NotifyIconSize() {
  const int dpi = dpi::WindowDpi(FindWindowA("Shell_TrayWnd", nullptr));
  return {dpi::SystemMetricForDpi(SM_CXSMICON, dpi), dpi::SystemMetricForDpi(SM_CYSMICON, dpi)};
}

IconLoader ResourceIcon(HINSTANCE Instance, const std::string& Name) {
  return [Instance, Name](int Width, int Height) {
    return static_cast<HICON>(LoadImageA(Instance, Name.c_str(), IMAGE_ICON, Width, Height, 0));
  };
}

std::vector<Action> MouseSteps(UINT mouseMsg, const MouseContext& c, bool& leftDown) {
  std::vector<Action> steps;
  if (!c.enabled) return steps;
  switch (mouseMsg) {
    case WM_MOUSEMOVE:
      steps.push_back({Step::MouseMove, mbLeft});
      break;
    case WM_LBUTTONDOWN:
      steps.push_back({Step::MouseDown, mbLeft});
      leftDown = true;
      if (c.leftPopup) steps.push_back({Step::Popup, mbLeft});
      break;
    case WM_LBUTTONUP:
      if (leftDown) {
        leftDown = false;
        steps.push_back({Step::Click, mbLeft});
      }
      steps.push_back({Step::MouseUp, mbLeft});
      break;
    case WM_LBUTTONDBLCLK:
      steps.push_back({Step::DblClick, mbLeft});
      if (c.menuAutoPopup && !c.leftPopup) steps.push_back({Step::ClickDefaultItem, mbLeft});
      break;
    case WM_RBUTTONDOWN:
      steps.push_back({Step::MouseDown, mbRight});
      steps.push_back({Step::Popup, mbRight});
      break;
    case WM_RBUTTONUP:
      steps.push_back({Step::MouseUp, mbRight});
      break;
    case WM_MBUTTONDOWN:
      steps.push_back({Step::MouseDown, mbMiddle});
      break;
    case WM_MBUTTONUP:
      steps.push_back({Step::MouseUp, mbMiddle});
      break;
    default:
      break;
  }
  return steps;
}

std::string CutText(const std::string& text, size_t maxBytes,
                    const std::function<bool(unsigned char)>& isLeadByte) {
  if (text.size() <= maxBytes) return text;
  size_t end = 0;
  while (end < maxBytes) {
    const bool lead = isLeadByte && isLeadByte(static_cast<unsigned char>(text[end]));
    const size_t width = lead ? 2 : 1;
    if (end + width > maxBytes) break;
    end += width;
  }
  return text.substr(0, end);
}

DWORD BalloonFlags(TBalloonIcon icon) {
  switch (icon) {
    case biInfo: return NIIF_INFO;
    case biWarning: return NIIF_WARNING;
    case biError: return NIIF_ERROR;
    default: return NIIF_NONE;
  }
}

int NextCycleIndex(int index, int count) { return index + 1 >= count ? 0 : index + 1; }

int ClampIconIndex(int index, int count) {
  if (count <= 0) return 0;
  return std::clamp(index, 0, count - 1);
}

TShiftState ShiftFromKeyStates(SHORT shift, SHORT alt, SHORT ctrl) {
  TShiftState s = 0;
  if (shift < 0) s |= ssShift;
  if (alt < 0) s |= ssAlt;
  if (ctrl < 0) s |= ssCtrl;
  return s;
}

}  // namespace tray

namespace {

TShiftState ButtonShift(TMouseButton b) {
  return b == mbLeft ? ssLeft : b == mbRight ? ssRight : ssMiddle;
}

TShiftState KeyShift() {
  return tray::ShiftFromKeyStates(GetAsyncKeyState(VK_SHIFT), GetAsyncKeyState(VK_MENU),
                                  GetAsyncKeyState(VK_CONTROL));
}

// An image list exists only when its owner created one, and so loaded the common controls;
// the program's own start-up does not load them for these two calls.
int ListImageCount(HIMAGELIST List) {
  auto* count = CommonControlsLibrary().Function<decltype(ImageList_GetImageCount)>(
      "ImageList_GetImageCount");
  return count ? count(List) : 0;
}

HICON ListIcon(HIMAGELIST List, int Index) {
  auto* get = CommonControlsLibrary().Function<decltype(ImageList_GetIcon)>("ImageList_GetIcon");
  return get ? get(List, Index, ILD_NORMAL) : nullptr;
}

// A program running elevated (started by an installer that runs as administrator) gets no
// "TaskbarCreated" from the shell, which runs at a lower integrity level, unless it lets the
// message through (Windows 7 and later; Vista has no per-window filter).
void AllowTaskbarCreated(HWND Window) {
  using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  static const auto filter = reinterpret_cast<FilterFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "ChangeWindowMessageFilterEx")));
  constexpr DWORD kMsgFltAllow = 1;  // MSGFLT_ALLOW
  if (filter && Window) filter(Window, TTrayIcon::TaskbarCreatedMessage(), kMsgFltAllow, nullptr);
}

}  // namespace

UINT TTrayIcon::TaskbarCreatedMessage() {
  static const UINT msg = RegisterWindowMessageA("TaskbarCreated");
  return msg;
}

TTrayIcon::TTrayIcon(TComponent* Owner) : TComponent(Owner) {
  TaskbarCreatedMessage();
  window_ = std::make_unique<TMessageWindow>(
      [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        return TrayWindowProc(msg, wp, lp, result);
      });
  data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data_.hWnd = window_->Handle();
  data_.uID = tray::kIconId;
  data_.uCallbackMessage = tray::kCallbackMessage;
  data_.uFlags = tray::kIconFlags;

  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(cycleInterval_);
  timer_->OnTimer = [this](TObject*) { CycleTick(); };
  addRetryTimer_ = new TTimer(this);
  addRetryTimer_->SetName("AddRetryTimer");
  addRetryTimer_->SetEnabled(false);
  addRetryTimer_->SetInterval(tray::kAddRetryMs);
  addRetryTimer_->OnTimer = [this](TObject*) { AddRetryTick(); };

  appHook_ = std::make_unique<TWindowHook>(
      Application()->Handle(), [this](UINT m, WPARAM w, LPARAM l) { AppWindowHook(m, w, l); });
  AllowTaskbarCreated(Application()->Handle());
  if (HWND owner = OwnerWindow())
    ownerHook_ = std::make_unique<TWindowHook>(
        owner, [this](UINT m, WPARAM w, LPARAM l) { OwnerWindowHook(m, w, l); });
}

TTrayIcon::~TTrayIcon() {
  SetIconVisible(false);
  SetPopupMenu(nullptr);
  if (timer_) timer_->OnTimer = nullptr;
  if (addRetryTimer_) addRetryTimer_->OnTimer = nullptr;
  // Later hooks first: the owner's was made after the application window's.
  ownerHook_.reset();
  appHook_.reset();
  window_.reset();
}

HWND TTrayIcon::OwnerWindow() const {
  auto* owner = dynamic_cast<TWinControl*>(Owner());
  return owner ? owner->Handle() : nullptr;
}

void TTrayIcon::Loaded() {
  TComponent::Loaded();
  if (startMinimized_) {
    if (TForm* main = Application()->MainForm()) main->Hide();
    ShowWindow(Application()->Handle(), SW_HIDE);
  }
  UpdateTrayIcon();
  SetIconVisible(iconVisible_);
}

void TTrayIcon::SetShellNotify(tray::ShellNotify Notify) { notify_ = std::move(Notify); }

bool TTrayIcon::Notify(DWORD Message) {
  if (notify_) return notify_(Message, &data_) != FALSE;
  return Shell_NotifyIconA(Message, &data_) != FALSE;
}

bool TTrayIcon::PrepareIconData() {
  data_.hIcon = listIcon_ ? listIcon_.get() : icon_.get();
  tray::SetField(data_.szTip, (!hint_.empty() && showHint_) ? hint_ : std::string());
  return true;
}

bool TTrayIcon::AddTrayIcon() {
  iconVisible_ = true;
  return PrepareIconData() && AddOrRetry();
}

bool TTrayIcon::RemoveTrayIcon() {
  iconVisible_ = false;
  addRetryTimer_->SetEnabled(false);
  shellHasIcon_ = false;
  return PrepareIconData() && Notify(NIM_DELETE);
}

bool TTrayIcon::UpdateTrayIcon() {
  if (!PrepareIconData()) return false;
  if (Notify(NIM_MODIFY)) {
    shellHasIcon_ = true;
    addRetryTimer_->SetEnabled(false);
    return true;
  }
  // Refused for an icon the shell had: it lost the icon, and a "TaskbarCreated" may never
  // come. An icon that was never taken is left to the retries or to "TaskbarCreated".
  if (!shellHasIcon_ || !iconVisible_) return false;
  shellHasIcon_ = false;
  return AddOrRetry();
}

bool TTrayIcon::AddOrRetry() {
  if (Notify(NIM_ADD)) {
    shellHasIcon_ = true;
    addRetryTimer_->SetEnabled(false);
    return true;
  }
  shellHasIcon_ = false;
  if (!addRetryTimer_->Enabled()) {
    addRetriesLeft_ = tray::kAddRetries;
    addRetryTimer_->SetEnabled(true);
  }
  return false;
}

void TTrayIcon::AddRetryTick() {
  if (!addRetryTimer_->Enabled() || !iconVisible_) {
    addRetryTimer_->SetEnabled(false);
    return;
  }
  PrepareIconData();
  // A shell that was only busy may have the icon after all; adding it again would be
  // refused, so it is asked to update the icon first.
  if (Notify(NIM_MODIFY) || Notify(NIM_ADD)) {
    shellHasIcon_ = true;
    addRetryTimer_->SetEnabled(false);
    return;
  }
  if (--addRetriesLeft_ <= 0) addRetryTimer_->SetEnabled(false);
}

void TTrayIcon::SetIconVisible(bool Value) {
  if (Value) AddTrayIcon();
  else RemoveTrayIcon();
}

void TTrayIcon::SetHint(const std::string& Value) {
  hint_ = Value;
  UpdateTrayIcon();
}

void TTrayIcon::SetShowHint(bool Value) {
  showHint_ = Value;
  UpdateTrayIcon();
}

void TTrayIcon::SetIcon(HICON Value) {
  loader_ = nullptr;
  icon_.reset(Value ? CopyIcon(Value) : nullptr);
  UpdateTrayIcon();
}

void TTrayIcon::SetIconLoader(tray::IconLoader Load) {
  loader_ = std::move(Load);
  loadedSize_ = {0, 0};
  if (FitIconToTray()) UpdateTrayIcon();
}

bool TTrayIcon::FitIconToTray() {
  if (!loader_) return false;
  const SIZE size = tray::NotifyIconSize();
  if (size.cx == loadedSize_.cx && size.cy == loadedSize_.cy) return false;
  HICON loaded = loader_(size.cx, size.cy);
  if (!loaded) return false;
  icon_.reset(loaded);
  loadedSize_ = size;
  return true;
}

void TTrayIcon::TakeIconFromList() {
  listIcon_.reset();
  if (iconList_ && ListImageCount(iconList_) > 0)
    listIcon_.reset(ListIcon(iconList_, iconIndex_));
}

void TTrayIcon::SetIconList(HIMAGELIST Value) {
  iconList_ = Value;
  SetIconIndex(0);
}

void TTrayIcon::SetIconIndex(int Value) {
  iconIndex_ = iconList_ ? tray::ClampIconIndex(Value, ListImageCount(iconList_)) : 0;
  TakeIconFromList();
  UpdateTrayIcon();
}

void TTrayIcon::SetCycleIcons(bool Value) {
  cycleIcons_ = Value;
  if (Value) SetIconIndex(0);
  timer_->SetEnabled(Value);
}

void TTrayIcon::SetCycleInterval(unsigned Value) {
  cycleInterval_ = Value;
  timer_->SetInterval(Value);
}

void TTrayIcon::SetPopupMenu(TPopupMenu* Value) {
  if (popupMenu_ == Value) return;
  if (popupMenu_) popupMenu_->RemoveDestroyListener(popupListener_);
  popupMenu_ = Value;
  popupListener_ = 0;
  if (popupMenu_)
    popupListener_ = popupMenu_->AddDestroyListener([this](TPopupMenu*) {
      popupMenu_ = nullptr;
      popupListener_ = 0;
    });
}

void TTrayIcon::CycleTick() {
  if (!iconList_) return;
  const int count = ListImageCount(iconList_);
  if (count <= 0) return;
  TakeIconFromList();
  const int next = tray::NextCycleIndex(iconIndex_, count);
  DoCycle(next);
  UpdateTrayIcon();
  SetIconIndex(next);
}

bool TTrayIcon::ShowBalloon(const std::string& Title, const std::string& Text,
                            TBalloonIcon IconKind, unsigned TimeoutSecs) {
  if (!enabled_) return true;
  // Clear a balloon that may still show, then show the new one.
  data_.uFlags = tray::kIconFlags | NIF_INFO;
  data_.szInfo[0] = '\0';
  PrepareIconData();
  Notify(NIM_MODIFY);
  data_.uFlags = tray::kIconFlags | NIF_INFO;
  tray::SetField(data_.szInfo, Text);
  tray::SetField(data_.szInfoTitle, Title);
  data_.uTimeout = std::min(TimeoutSecs, 255u) * 1000;
  data_.dwInfoFlags = tray::BalloonFlags(IconKind);
  const bool ok = UpdateTrayIcon();
  data_.uFlags = tray::kIconFlags;
  return ok;
}

void TTrayIcon::PopupAtCursor() {
  if (!popupMenu_ || !popupMenu_->AutoPopup()) return;
  POINT pt;
  if (!GetCursorPos(&pt)) return;
  Application()->ProcessMessages();
  if (!popupMenu_) return;  // freed while messages were handled
  HWND owner = OwnerWindow();
  SetForegroundWindow(owner ? owner : Handle());
  popupMenu_->SetPopupComponent(this);
  popupMenu_->Popup(pt.x, pt.y);
  // Without this the menu would not close when the user clicks elsewhere.
  PostMessageA(owner ? owner : Handle(), WM_NULL, 0, 0);
}

void TTrayIcon::HideToTray() {
  if (TForm* main = Application()->MainForm()) {
    main->Hide();
    ShowWindow(Application()->Handle(), SW_HIDE);
  }
}

bool TTrayIcon::TrayWindowProc(UINT Msg, WPARAM, LPARAM LParam, LRESULT& Result) {
  if (Msg == tray::kCallbackMessage) {
    // One queued before the icon was taken away belongs to an icon no longer shown.
    if (iconVisible_) HandleMouse(static_cast<UINT>(LParam));
    Result = 0;
    return true;
  }
  if (Msg == WM_QUERYENDSESSION) {
    Result = 1;
    return true;
  }
  return false;
}

void TTrayIcon::HandleMouse(UINT MouseMsg) {
  tray::MouseContext context;
  context.enabled = enabled_;
  context.leftPopup = leftPopup_;
  context.menuAutoPopup = popupMenu_ && popupMenu_->AutoPopup();
  const std::vector<tray::Action> steps = tray::MouseSteps(MouseMsg, context, leftDown_);
  if (steps.empty()) return;
  POINT pt = {};
  GetCursorPos(&pt);
  const TShiftState keys = KeyShift();
  for (const tray::Action& a : steps) {
    switch (a.step) {
      case tray::Step::MouseMove: DoMouseMove(keys, pt.x, pt.y); break;
      case tray::Step::MouseDown: DoMouseDown(a.button, keys | ButtonShift(a.button), pt.x, pt.y); break;
      case tray::Step::MouseUp: DoMouseUp(a.button, keys | ButtonShift(a.button), pt.x, pt.y); break;
      case tray::Step::Click: DoClick(); break;
      case tray::Step::DblClick: DoDblClick(); break;
      case tray::Step::Popup: PopupAtCursor(); break;
      case tray::Step::ClickDefaultItem: ClickDefaultItem(); break;
    }
  }
}

void TTrayIcon::ClickDefaultItem() {
  if (!popupMenu_) return;
  // As when the menu opens: its OnPopup first brings items and actions up to date, since
  // what they show may have changed since the menu was last open.
  if (TNotifyEvent prepare = popupMenu_->OnPopup) prepare(popupMenu_);
  if (!popupMenu_) return;  // freed by its own OnPopup
  TMenuItem* root = popupMenu_->Items();
  for (int i = 0; i < root->Count(); ++i) {
    if (root->Items(i)->Default()) {
      root->Items(i)->Click();
      return;
    }
  }
}

void TTrayIcon::DoClick() {
  if (OnClick) OnClick(this);
}
void TTrayIcon::DoDblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TTrayIcon::DoCycle(int NextIndex) {
  if (OnCycle) OnCycle(this, NextIndex);
}
void TTrayIcon::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TTrayIcon::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}
void TTrayIcon::DoMouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TTrayIcon::AppWindowHook(UINT Msg, WPARAM WParam, LPARAM) {
  if (Msg == WM_SIZE && WParam == SIZE_MINIMIZED && minimizeToTray_) HideToTray();
  if (Msg == WM_WINDOWPOSCHANGED && firstPosChange_ && Application()->MainForm())
    firstPosChange_ = false;  // no MDI parent forms here, so nothing more to do
  // The taskbar's icon size follows the DPI of its monitor; the new taskbar may have
  // another one.
  if ((Msg == WM_DPICHANGED || Msg == WM_SETTINGCHANGE || Msg == WM_DISPLAYCHANGE) &&
      FitIconToTray() && iconVisible_)
    UpdateTrayIcon();
  if (Msg == TaskbarCreatedMessage()) {
    FitIconToTray();
    if (iconVisible_) AddTrayIcon();
  }
}

void TTrayIcon::OwnerWindowHook(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_DPICHANGED && FitIconToTray() && iconVisible_) UpdateTrayIcon();
  if (Msg == WM_SHOWWINDOW && WParam == 1 && LParam == 0) {
    HWND app = Application()->Handle();
    // The application window stays hidden (it must never give a taskbar button); only a
    // minimized one is restored.
    if (IsIconic(app)) ShowWindow(app, SW_RESTORE);
    SetForegroundWindow(app);
    if (HWND owner = OwnerWindow()) SetForegroundWindow(owner);
  }
}
