// TTrayIcon: one icon in the taskbar's notification area. Turns the shell's mouse
// notifications into events, opens a popup menu at the cursor, shows balloon messages,
// puts the icon back when the taskbar is re-created, cycles through the icons of an image
// list and can hide the application to the tray.
//
// The icon is added when loading ends (EndLoading() of the component or of its owner) or
// when IconVisible is set to true, and removed on destruction.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/WindowHook.h"
#include "ui/Component.h"
#include "ui/Control.h"
#include "ui/MessageWindow.h"
#include "util/ScopedHandles.h"

class TPopupMenu;
class TTimer;

enum TBalloonIcon { biNone, biInfo, biWarning, biError };

using TCycleEvent = std::function<void(TObject* Sender, int NextIndex)>;

namespace tray {

// The notification message the shell sends to the icon's window.
constexpr UINT kCallbackMessage = WM_USER + 0x400;  // 0x800
constexpr UINT kIconId = 1;
constexpr UINT kIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr size_t kTipChars = 127;
constexpr size_t kInfoChars = 255;
constexpr size_t kInfoTitleChars = 63;
// A refused add is tried again this often, this many times, then only "TaskbarCreated"
// brings the icon: at sign-in the shell may not be ready for a while and may have sent its
// "TaskbarCreated" before the program's window existed.
constexpr unsigned kAddRetryMs = 3000;
constexpr int kAddRetries = 100;

// What the icon does for one mouse notification, in order.
enum class Step { MouseMove, MouseDown, MouseUp, Click, DblClick, Popup, ClickDefaultItem };
struct Action {
  Step step;
  TMouseButton button;  // for MouseDown and MouseUp
  bool operator==(const Action& o) const {
    return step == o.step && (button == o.button || (step != Step::MouseDown && step != Step::MouseUp));
  }
};
struct MouseContext {
  bool enabled = true;
  bool leftPopup = false;
  bool menuAutoPopup = false;  // a popup menu is assigned and its AutoPopup is on
};
// The reaction to the mouse message `mouseMsg`; `leftDown` is the "left button went down on
// the icon" mark, read and updated.
std::vector<Action> MouseSteps(UINT mouseMsg, const MouseContext& context, bool& leftDown);

// At most `maxBytes` bytes of `text`, never ending in the first half of a double-byte
// character (isLeadByte tells those apart; IsDBCSLeadByte for the ANSI code page).
std::string CutText(const std::string& text, size_t maxBytes,
                    const std::function<bool(unsigned char)>& isLeadByte = nullptr);

// Copies `text` cut to the field's size (minus the terminating zero) into `field`.
template <size_t N>
void SetField(char (&field)[N], const std::string& text) {
  const std::string cut = CutText(text, N - 1, [](unsigned char c) { return IsDBCSLeadByte(c) != 0; });
  std::copy(cut.begin(), cut.end(), field);
  field[cut.size()] = '\0';
}

DWORD BalloonFlags(TBalloonIcon icon);  // NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR
// The index shown after `index` in a list of `count` icons.
int NextCycleIndex(int index, int count);
// IconIndex as stored: past the end selects the last icon; without a list it is 0.
int ClampIconIndex(int index, int count);
// Shift, Alt and Ctrl from key states (high bit set = down).
TShiftState ShiftFromKeyStates(SHORT shift, SHORT alt, SHORT ctrl);

// The size the notification area shows icons at: the small-icon size at the DPI of the
// taskbar's monitor (the system DPI without a taskbar; SM_CXSMICON where the system has no
// per-DPI metrics).
SIZE NotifyIconSize();

// Loads an icon at Width x Height; the caller owns the result. Null when it cannot.
using IconLoader = std::function<HICON(int Width, int Height)>;
// Loads the icon resource Name of Instance at the requested size, picking the best of the
// sizes the resource holds.
IconLoader ResourceIcon(HINSTANCE Instance, const std::string& Name);

// The shell call the icon makes; tests replace it to see what would be sent.
using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAA* data)>;

}  // namespace tray

class TTrayIcon : public TComponent {
 public:
  explicit TTrayIcon(TComponent* Owner);
  ~TTrayIcon() override;

  bool DesignPreview() const { return designPreview_; }
  void SetDesignPreview(bool Value) { designPreview_ = Value; }  // no design time here
  HIMAGELIST IconList() const { return iconList_; }
  void SetIconList(HIMAGELIST Value);  // not owned; selects index 0
  bool CycleIcons() const { return cycleIcons_; }
  void SetCycleIcons(bool Value);
  unsigned CycleInterval() const { return cycleInterval_; }
  void SetCycleInterval(unsigned Value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value) { enabled_ = Value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& Value);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool Value);
  HICON Icon() const { return icon_.get(); }
  void SetIcon(HICON Value);  // copies the icon; a loader set before is dropped
  // Icon from Load at tray::NotifyIconSize(), loaded again whenever that size changes (a
  // DPI change, a new taskbar), so the icon is drawn from an image of its own size instead
  // of a stretched one. A failed load keeps the icon shown before.
  void SetIconLoader(tray::IconLoader Load);
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool Value);
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int Value);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* Value);
  bool LeftPopup() const { return leftPopup_; }
  void SetLeftPopup(bool Value) { leftPopup_ = Value; }
  bool StartMinimized() const { return startMinimized_; }
  void SetStartMinimized(bool Value) { startMinimized_ = Value; }
  bool MinimizeToTray() const { return minimizeToTray_; }
  void SetMinimizeToTray(bool Value) { minimizeToTray_ = Value; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TCycleEvent OnCycle;

  // A refused add is tried again on the timer "AddRetryTimer" (see kAddRetryMs). An update
  // refused for an icon the shell had taken means the shell lost it (Explorer ended): the
  // icon is added again at once, or on that timer.
  virtual bool AddTrayIcon();
  virtual bool RemoveTrayIcon();
  virtual bool UpdateTrayIcon();
  // Shows a balloon at the icon; TimeoutSecs 0-255. True (and nothing shown) when disabled.
  bool ShowBalloon(const std::string& Title, const std::string& Text, TBalloonIcon IconKind,
                   unsigned TimeoutSecs);
  void PopupAtCursor();
  virtual void HideToTray();

  // The component's own window, which the shell notifies.
  HWND Handle() const { return window_ ? window_->Handle() : nullptr; }
  const NOTIFYICONDATAA& IconData() const { return data_; }
  // The message number of "TaskbarCreated".
  static UINT TaskbarCreatedMessage();
  // Replaces Shell_NotifyIconA (tests); an empty function restores it.
  void SetShellNotify(tray::ShellNotify Notify);

  // One step of cycling, as the cycle timer makes it.
  void CycleTick();

 protected:
  void Loaded() override;
  bool PrepareIconData();
  virtual void DoClick();
  virtual void DoDblClick();
  virtual void DoCycle(int NextIndex);
  virtual void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void DoMouseMove(TShiftState Shift, int X, int Y);

 private:
  bool TrayWindowProc(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
  void HandleMouse(UINT MouseMsg);
  void ClickDefaultItem();
  void AppWindowHook(UINT Msg, WPARAM WParam, LPARAM LParam);
  void OwnerWindowHook(UINT Msg, WPARAM WParam, LPARAM LParam);
  HWND OwnerWindow() const;
  bool Notify(DWORD Message);
  // NIM_ADD; when refused, the retries start (unless they run already).
  bool AddOrRetry();
  void AddRetryTick();
  void TakeIconFromList();
  // Loads the icon again through the loader if the notification area's size changed; true
  // when the icon was replaced.
  bool FitIconToTray();

  NOTIFYICONDATAA data_ = {};
  std::unique_ptr<TMessageWindow> window_;
  TTimer* timer_ = nullptr;
  TTimer* addRetryTimer_ = nullptr;
  int addRetriesLeft_ = 0;
  bool shellHasIcon_ = false;  // the last add or update was accepted
  std::unique_ptr<TWindowHook> appHook_;
  std::unique_ptr<TWindowHook> ownerHook_;
  UniqueHIcon icon_;
  UniqueHIcon listIcon_;  // the icon taken from IconList
  tray::IconLoader loader_;
  SIZE loadedSize_ = {0, 0};  // the size icon_ was loaded at through loader_
  tray::ShellNotify notify_;

  bool designPreview_ = false;
  HIMAGELIST iconList_ = nullptr;
  bool cycleIcons_ = false;
  unsigned cycleInterval_ = 0;
  bool enabled_ = true;
  std::string hint_;
  bool showHint_ = true;
  bool iconVisible_ = true;
  int iconIndex_ = 0;
  TPopupMenu* popupMenu_ = nullptr;
  int popupListener_ = 0;
  bool leftPopup_ = false;
  bool startMinimized_ = false;
  bool minimizeToTray_ = false;

  bool leftDown_ = false;
  bool firstPosChange_ = true;
};
