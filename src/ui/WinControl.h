// Windowed controls, and the layer's one window procedure.
//
// How a window message reaches a handler (all in WinControl.cpp):
//   1. Every window of the layer has StandardWndProc as its window procedure: windows of
//      our own classes from creation on, system-class windows (buttons, ...) by subclassing.
//   2. StandardWndProc finds the object of the HWND (the one HWND -> object map, filled at
//      WM_NCCREATE or at subclassing, emptied at WM_NCDESTROY) and calls its WindowMessage().
//   3. For a TWinControl that is the virtual WndProc(): a switch that turns mouse, paint,
//      size, cursor and reflected WM_COMMAND/WM_NOTIFY messages into typed calls
//      (MouseDown, Paint, Click, ...), which raise the OnXxx events. A form handles its
//      own messages (e.g. WM_USER + 257) by overriding WndProc and calling the base for
//      the rest. Anything not handled goes to DefaultHandler(): the previous window
//      procedure (subclassed windows) or DefWindowProcA.
//   4. An exception that escapes step 2 is caught there and handed to
//      Application()->HandleException(), the default error display; the program goes on.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ui/Control.h"
#include "ui/DibSection.h"
#include "util/ScopedHandles.h"

// Anything that receives messages through StandardWndProc.
class TWindowTarget {
 public:
  virtual LRESULT WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) = 0;

 protected:
  ~TWindowTarget() = default;
};

namespace wndproc {
LRESULT CALLBACK StandardWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// The HWND -> object map. Attach/Detach are done by the layer; Find is for anyone.
void Attach(HWND Wnd, TWindowTarget* Target);
void Detach(HWND Wnd);
TWindowTarget* Find(HWND Wnd);
// Registers (once per process) a window class of that name with StandardWndProc.
// A window of that class must be created with its TWindowTarget* as lpParam.
void RegisterLayerClass(const std::string& ClassName, UINT ClassStyle);
}  // namespace wndproc

// Messages reflected by a parent to the child window they concern: a button's
// WM_COMMAND arrives at the button object's WndProc as CN_COMMAND, with the same
// wParam and lParam (likewise CN_NOTIFY, CN_CTLCOLORSTATIC, ...).
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;
constexpr UINT CN_CTLCOLORBTN = CN_BASE + WM_CTLCOLORBTN;

// What CreateWnd passes to CreateWindowExA. A control changes it by overriding
// CreateParams (call the base first); it applies every time the handle is created.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  // Our own class (registered on first use, with CS_DBLCLKS in ClassStyle) unless
  // SystemClass is set: then a window of that system class ("BUTTON", ...) is created and
  // subclassed, and unhandled messages go to the class's own procedure.
  std::string WinClassName = "MemtideWindow";
  UINT ClassStyle = CS_DBLCLKS;
  bool SystemClass = false;
};

class TWinControl : public TControl, public TWindowTarget {
 public:
  explicit TWinControl(TComponent* Owner);
  // Stops dispatching to this object, detaches the children, destroys the window.
  ~TWinControl() override;

  // The window, created on first need (with the parent's window first).
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Destroys the window and creates it anew with fresh CreateParams (if it existed).
  void RecreateWnd();

  void SetParent(TWinControl* Parent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetVisible(bool Value) override;
  void Invalidate() override;
  int ClientWidth();
  int ClientHeight();
  void SetClientSize(int Width, int Height);
  // Children first (so alClient ones are not scaled twice); a top-level window keeps its
  // place and scales its client area, its frame being the system's.
  void ChangeScale(int M, int D) override;

  // All children (windowed and windowless) in z-order, bottom first.
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int Index) const { return controls_.at(static_cast<size_t>(Index)); }
  // The topmost visible child at P (client coordinates); disabled ones only if asked.
  TControl* ControlAtPos(POINT P, bool AllowDisabled) const;

  // Painting always goes through an off-screen buffer; the flag is kept for forms that set it.
  bool DoubleBuffered() const { return double_buffered_; }
  void SetDoubleBuffered(bool Value) { double_buffered_ = Value; }

  // Paints the client area (background, own picture, windowless children) onto Dc as
  // WM_PAINT does; WM_PRINTCLIENT comes here too. Children outside Region (client
  // coordinates; null for all of Dirty) are not painted: Dc must clip to it.
  void PaintTo(HDC Dc, const RECT& Dirty, HRGN Region = nullptr);

  // No window of ours reacts to the mouse entering or leaving the window itself (only its
  // windowless children do); one that does overrides this too.
  bool WantsMouseLeave() const override { return false; }

  // TWindowTarget: the entry from StandardWndProc.
  LRESULT WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) final;

 protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  // Called when the window has been created (children's windows exist too).
  virtual void CreateWindowHandle() {}
  // Dispatches one message; see the comment at the top of this file.
  virtual LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
  LRESULT DefaultHandler(UINT Msg, WPARAM WParam, LPARAM LParam);
  // Paints this control's own picture over the background fill (Color), before the
  // windowless children; Paint() of TControl is its default and does nothing.
  virtual void PaintWindow(TCanvas& Canvas) { Paint(Canvas); }
  void CaptionChanged() override;
  void EnabledChanged() override;
  // Hands the new font to a system-class window.
  void FontChanged() override;
  bool Windowed() const override { return true; }
  // Lays out alClient children over the client area.
  void Realign();

 private:
  friend class TControl;
  void InsertControl(TControl* C);
  void RemoveControl(TControl* C);
  void DestroyHandle();
  // Drops everything that belonged to the window just destroyed.
  void ForgetWindow();
  void PaintHandler();
  void MouseHandler(UINT Msg, WPARAM WParam, LPARAM LParam);
  void UpdateHover(TControl* Now);
  // Asks for WM_MOUSELEAVE, or cancels the request, as the control under the cursor needs.
  void TrackMouseLeave(bool Want);
  bool SetCursorHandler();
  void ReadBounds();

  HWND handle_ = nullptr;
  WNDPROC def_wnd_proc_ = nullptr;  // previous procedure of a subclassed system window
  std::vector<TControl*> controls_;
  TControl* hover_ = nullptr;       // control the mouse is over (this when none)
  TControl* captured_ = nullptr;    // windowless child that got the button press
  bool tracking_leave_ = false;
  // The off-screen buffer of the client area, kept between paints and made anew only when
  // the size changes.
  TDibSection paint_buffer_;
  bool double_buffered_ = false;
  bool clicked_ = false;            // button went down on captured_ (or this), not a dblclick
};
