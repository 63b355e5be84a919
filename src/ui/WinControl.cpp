// The route of a window message, from the system to an OnXxx handler (see WinControl.h).
#include "ui/WinControl.h"

#include <windowsx.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <unordered_map>

#include "ui/Application.h"
#include "ui/Dpi.h"

namespace wndproc {
namespace {
// Kept in the process rather than in window properties: every message looks its window up,
// and under Wine each property read is a round trip to the server. All windows of ours
// live on the one UI thread.
std::unordered_map<HWND, TWindowTarget*>& Targets() {
  static std::unordered_map<HWND, TWindowTarget*> targets;
  return targets;
}
}  // namespace

void Attach(HWND Wnd, TWindowTarget* Target) {
  if (Wnd && Target) Targets()[Wnd] = Target;
}
void Detach(HWND Wnd) { Targets().erase(Wnd); }
TWindowTarget* Find(HWND Wnd) {
  if (!Wnd) return nullptr;
  auto found = Targets().find(Wnd);
  return found == Targets().end() ? nullptr : found->second;
}

// Step 1 and 2: find the object, let it handle the message, catch what escapes.
LRESULT CALLBACK StandardWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindowTarget* target = Find(Wnd);
  if (!target && Msg == WM_NCCREATE) {
    target = static_cast<TWindowTarget*>(reinterpret_cast<CREATESTRUCTA*>(LParam)->lpCreateParams);
    if (target) Attach(Wnd, target);
  }
  if (!target) return DefWindowProcA(Wnd, Msg, WParam, LParam);
  // A handle can be reused by the next window once this one is gone: never leave it mapped.
  struct ForgetOnLastMessage {
    HWND wnd;
    UINT msg;
    ~ForgetOnLastMessage() {
      if (msg == WM_NCDESTROY) Detach(wnd);
    }
  } forget{Wnd, Msg};
  try {
    return target->WindowMessage(Wnd, Msg, WParam, LParam);
  } catch (...) {
    Application()->HandleException(std::current_exception());
    // A failed paint must still validate the window, or WM_PAINT would come back forever.
    return Msg == WM_PAINT ? DefWindowProcA(Wnd, Msg, WParam, LParam) : 0;
  }
}

void RegisterLayerClass(const std::string& ClassName, UINT ClassStyle) {
  static std::set<std::string> registered;
  if (registered.count(ClassName)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof(wc);
  wc.style = ClassStyle;
  wc.lpfnWndProc = StandardWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = ClassName.c_str();
  if (RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
    registered.insert(ClassName);
}
}  // namespace wndproc

namespace {
TShiftState ShiftFromKeys(WPARAM Keys) {
  TShiftState s = 0;
  if (Keys & MK_SHIFT) s |= ssShift;
  if (Keys & MK_CONTROL) s |= ssCtrl;
  if (Keys & MK_LBUTTON) s |= ssLeft;
  if (Keys & MK_RBUTTON) s |= ssRight;
  if (Keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}
}  // namespace

TWinControl::TWinControl(TComponent* Owner) : TControl(Owner) {}

TWinControl::~TWinControl() {
  for (TControl* c : controls_) c->parent_ = nullptr;
  controls_.clear();
  hover_ = captured_ = nullptr;
  DestroyHandle();
}

HWND TWinControl::Handle() {
  if (!handle_) CreateWnd();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params.Caption = Caption();
  Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) Params.Style |= WS_VISIBLE;
  if (!Enabled()) Params.Style |= WS_DISABLED;
  if (Parent()) {
    Params.Style |= WS_CHILD;
    Params.WndParent = Parent()->Handle();
  } else {
    Params.Style |= WS_POPUP;  // a parentless control is all client area, like a child
  }
  Params.X = left_;
  Params.Y = top_;
  Params.Width = width_;
  Params.Height = height_;
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if (!p.SystemClass) wndproc::RegisterLayerClass(p.WinClassName, p.ClassStyle);
  HWND wnd = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X,
                             p.Y, p.Width, p.Height, p.WndParent, nullptr,
                             GetModuleHandleA(nullptr),
                             p.SystemClass ? nullptr : static_cast<TWindowTarget*>(this));
  if (!wnd) throw std::runtime_error("Cannot create a window of class " + p.WinClassName);
  handle_ = wnd;
  if (p.SystemClass) {
    wndproc::Attach(wnd, this);
    def_wnd_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&wndproc::StandardWndProc)));
    SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
  }
  ReadBounds();
  for (TControl* c : std::vector<TControl*>(controls_))
    if (c->Windowed()) static_cast<TWinControl*>(c)->Handle();
  Realign();
  CreateWindowHandle();
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  HWND wnd = handle_;
  // Stop dispatching first, then unsubclass (only if nobody subclassed after us), then destroy.
  wndproc::Detach(wnd);
  if (def_wnd_proc_ && GetWindowLongPtrA(wnd, GWLP_WNDPROC) ==
                           reinterpret_cast<LONG_PTR>(&wndproc::StandardWndProc))
    SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(def_wnd_proc_));
  ForgetWindow();
  DestroyWindow(wnd);
}

void TWinControl::ForgetWindow() {
  handle_ = nullptr;
  def_wnd_proc_ = nullptr;
  hover_ = captured_ = nullptr;
  tracking_leave_ = false;
  paint_buffer_.Clear();
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  CreateWnd();
}

void TWinControl::SetParent(TWinControl* Parent) {
  if (Parent == TControl::Parent()) return;
  TControl::SetParent(Parent);
  if (!handle_) {
    if (Parent && Parent->HandleAllocated()) Handle();
  } else if (Parent && (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD)) {
    ::SetParent(handle_, Parent->Handle());
  } else {
    DestroyHandle();
    if (Parent && Parent->HandleAllocated()) Handle();
  }
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  bool resized = AWidth != width_ || AHeight != height_;
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (handle_)
    SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  else if (resized)
    Realign();
}

void TWinControl::ReadBounds() {
  if (!handle_) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
  int w = r.right - r.left, h = r.bottom - r.top;
  // Moved or sized from outside (the user, the system, a direct SetWindowPos): go through
  // SetBounds so controls that render on a bounds change see it.
  if (r.left != left_ || r.top != top_ || w != width_ || h != height_) SetBounds(r.left, r.top, w, h);
}

void TWinControl::SetVisible(bool Value) {
  if (Value == Visible()) return;
  TControl::SetVisible(Value);
  if (handle_) ShowWindow(handle_, Value ? (Parent() ? SW_SHOWNA : SW_SHOW) : SW_HIDE);
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, FALSE);
}

void TWinControl::CaptionChanged() {
  if (handle_) SetWindowTextA(handle_, Caption().c_str());
}

void TWinControl::FontChanged() {
  if (handle_ && def_wnd_proc_)
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
  TControl::FontChanged();
}

void TWinControl::ChangeScale(int M, int D) {
  if (M == D) return;
  for (TControl* c : std::vector<TControl*>(controls_)) c->ChangeScale(M, D);
  if (Parent()) {
    TControl::ChangeScale(M, D);
    return;
  }
  RECT frame{0, 0, 0, 0};
  if (handle_) {
    RECT wr, cr;
    GetWindowRect(handle_, &wr);
    GetClientRect(handle_, &cr);
    frame.right = (wr.right - wr.left) - cr.right;
    frame.bottom = (wr.bottom - wr.top) - cr.bottom;
  } else {
    TCreateParams p;
    CreateParams(p);
    AdjustWindowRectEx(&frame, p.Style, FALSE, p.ExStyle);
    frame = {0, 0, frame.right - frame.left, frame.bottom - frame.top};
  }
  Font()->SetHeight(dpi::Scale(Font()->Height(), M, D));
  SetBounds(left_, top_, dpi::Scale(width_ - frame.right, M, D) + frame.right,
            dpi::Scale(height_ - frame.bottom, M, D) + frame.bottom);
}

void TWinControl::EnabledChanged() {
  if (handle_) EnableWindow(handle_, Enabled());
  Invalidate();
}

int TWinControl::ClientWidth() {
  if (!handle_) return width_;
  RECT r;
  GetClientRect(handle_, &r);
  return r.right;
}

int TWinControl::ClientHeight() {
  if (!handle_) return height_;
  RECT r;
  GetClientRect(handle_, &r);
  return r.bottom;
}

void TWinControl::SetClientSize(int Width, int Height) {
  RECT r{0, 0, Width, Height};
  if (handle_) {
    RECT wr, cr;
    GetWindowRect(handle_, &wr);
    GetClientRect(handle_, &cr);
    r.right += (wr.right - wr.left) - cr.right;
    r.bottom += (wr.bottom - wr.top) - cr.bottom;
  } else {
    TCreateParams p;
    CreateParams(p);
    if (!(p.Style & WS_CHILD)) AdjustWindowRectEx(&r, p.Style, FALSE, p.ExStyle);
  }
  SetBounds(left_, top_, r.right - r.left, r.bottom - r.top);
}

void TWinControl::Realign() {
  int w = ClientWidth(), h = ClientHeight();
  for (TControl* c : std::vector<TControl*>(controls_))
    if (c->Align() == alClient) c->SetBounds(0, 0, w, h);
}

void TWinControl::InsertControl(TControl* C) { controls_.push_back(C); }

void TWinControl::RemoveControl(TControl* C) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), C), controls_.end());
  if (hover_ == C) hover_ = nullptr;
  if (captured_ == C) {
    captured_ = nullptr;
    clicked_ = false;
  }
}

TControl* TWinControl::ControlAtPos(POINT P, bool AllowDisabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->Windowed() || !c->Visible() || (!c->Enabled() && !AllowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (PtInRect(&r, P)) return c;
  }
  return nullptr;
}

LRESULT TWinControl::WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!handle_) handle_ = Wnd;  // messages sent during CreateWindowEx
  if (Msg == WM_NCDESTROY) {
    LRESULT r = DefaultHandler(Msg, WParam, LParam);
    ForgetWindow();  // StandardWndProc takes the handle out of the map
    return r;
  }
  return WndProc(Msg, WParam, LParam);
}

LRESULT TWinControl::DefaultHandler(UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (def_wnd_proc_) return CallWindowProcA(def_wnd_proc_, handle_, Msg, WParam, LParam);
  return DefWindowProcA(handle_, Msg, WParam, LParam);
}

// Step 3: turn the message into typed calls.
LRESULT TWinControl::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_ERASEBKGND:
      if (def_wnd_proc_) break;
      return 1;  // the paint handler fills the whole buffer
    case WM_PAINT:
      if (def_wnd_proc_) break;
      PaintHandler();
      return 0;
    case WM_PRINTCLIENT:
      if (def_wnd_proc_) break;
      PaintTo(reinterpret_cast<HDC>(WParam), RECT{0, 0, ClientWidth(), ClientHeight()});
      return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      MouseHandler(Msg, WParam, LParam);
      if (!handle_) return 0;  // a handler destroyed the window
      break;
    case WM_MOUSELEAVE:
      tracking_leave_ = false;
      UpdateHover(nullptr);
      break;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(LParam) != handle_) captured_ = nullptr;
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(WParam) == handle_ && LOWORD(LParam) == HTCLIENT &&
          SetCursorHandler())
        return TRUE;
      break;
    case WM_WINDOWPOSCHANGED: {
      LRESULT r = DefaultHandler(Msg, WParam, LParam);
      ReadBounds();
      return r;
    }
    case WM_SIZE: {
      LRESULT r = DefaultHandler(Msg, WParam, LParam);
      Realign();
      return r;
    }
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_NOTIFY: {
      // Reflect to the child the message is about, if it is one of ours.
      HWND child = Msg == WM_NOTIFY ? reinterpret_cast<NMHDR*>(LParam)->hwndFrom
                                    : reinterpret_cast<HWND>(LParam);
      if (child && child != handle_ && wndproc::Find(child))
        return SendMessageA(child, CN_BASE + Msg, WParam, LParam);
      break;
    }
    default:
      if (Msg >= CN_BASE && Msg < CN_BASE + WM_USER) {
        // A reflected message no override took: answer what the parent would have.
        UINT original = Msg - CN_BASE;
        if (original >= WM_CTLCOLORMSGBOX && original <= WM_CTLCOLORSTATIC)
          return DefWindowProcA(GetParent(handle_), original, WParam, LParam);
        return 0;
      }
      break;
  }
  return DefaultHandler(Msg, WParam, LParam);
}

namespace {
// BeginPaint/EndPaint as a pair that an exception cannot break.
class PaintScope {
 public:
  explicit PaintScope(HWND Wnd) : wnd_(Wnd), dc_(BeginPaint(Wnd, &ps_)) {}
  ~PaintScope() { EndPaint(wnd_, &ps_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC dc() const { return dc_; }
  const RECT& rect() const { return ps_.rcPaint; }

 private:
  HWND wnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

class SavedDC {
 public:
  explicit SavedDC(HDC Dc) : dc_(Dc), id_(SaveDC(Dc)) {}
  ~SavedDC() { RestoreDC(dc_, id_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC dc_;
  int id_;
};

// The window's update region in client coordinates, read before BeginPaint validates it;
// null when there is none or it cannot be read.
UniqueHRgn UpdateRegion(HWND Wnd) {
  UniqueHRgn rgn(CreateRectRgn(0, 0, 0, 0));
  if (!rgn) return rgn;
  const int kind = GetUpdateRgn(Wnd, rgn.get(), FALSE);
  if (kind == ERROR || kind == NULLREGION) rgn.reset();
  return rgn;
}
}  // namespace

void TWinControl::PaintHandler() {
  // Two charts changing at once give a bounding rectangle that takes in the labels between
  // them; only what is really out of date is drawn again.
  UniqueHRgn region = UpdateRegion(handle_);
  PaintScope paint(handle_);
  PaintTo(paint.dc(), paint.rect(), region.get());
}

// Background fill, own picture, windowless children in z-order: all into one 32-bit
// buffer, then one copy to Dc (whose clipping keeps the copy inside Region). Dirty is in
// client coordinates.
void TWinControl::PaintTo(HDC Dc, const RECT& Dirty, HRGN Region) {
  RECT client{0, 0, ClientWidth(), ClientHeight()};
  RECT dirty;
  if (!IntersectRect(&dirty, &Dirty, &client)) return;

  if (!paint_buffer_.Resize(client.right, client.bottom)) return;
  HDC buffer = paint_buffer_.Dc();
  SavedDC clean(buffer);  // the buffer's DC is kept: leave nothing selected in it
  TCanvas canvas(buffer);

  UniqueHBrush face(CreateSolidBrush(ColorToRGB(Color())));
  FillRect(buffer, &dirty, face.get());
  {
    SavedDC saved(buffer);
    IntersectClipRect(buffer, dirty.left, dirty.top, dirty.right, dirty.bottom);
    PaintWindow(canvas);
  }
  for (TControl* c : std::vector<TControl*>(controls_)) {
    if (c->Windowed() || !c->Visible() || c->Width() <= 0 || c->Height() <= 0) continue;
    RECT r = c->BoundsRect(), common;
    if (!IntersectRect(&common, &r, &dirty)) continue;
    if (Region && !RectInRegion(Region, &common)) continue;
    SavedDC saved(buffer);
    IntersectClipRect(buffer, common.left, common.top, common.right, common.bottom);
    SetViewportOrgEx(buffer, r.left, r.top, nullptr);
    c->Paint(canvas);
  }
  BitBlt(Dc, dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, buffer,
         dirty.left, dirty.top, SRCCOPY);
}

// Routes a mouse message to the windowless child under the cursor (or to the child that
// got the button press, until all buttons are up), else to this control.
void TWinControl::MouseHandler(UINT Msg, WPARAM WParam, LPARAM LParam) {
  POINT p{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
  TShiftState shift = ShiftFromKeys(WParam);
  auto alive = [this](TControl* c) {
    return c == this || std::find(controls_.begin(), controls_.end(), c) != controls_.end();
  };
  auto local = [&](TControl* c, int& x, int& y) {
    x = c == this ? p.x : p.x - c->Left();
    y = c == this ? p.y : p.y - c->Top();
  };
  TControl* at = ControlAtPos(p, false);
  int x, y;

  if (Msg == WM_MOUSEMOVE) {
    TControl* over = ControlAtPos(p, true);
    if (!over) over = this;
    TrackMouseLeave(over->WantsMouseLeave());
    UpdateHover(over);
    if (!handle_) return;
    TControl* target = captured_ ? captured_ : (at ? at : this);
    if (!alive(target)) return;
    local(target, x, y);
    target->MouseMove(shift, x, y);
    return;
  }

  TMouseButton button = mbLeft;
  if (Msg == WM_RBUTTONDOWN || Msg == WM_RBUTTONUP || Msg == WM_RBUTTONDBLCLK) button = mbRight;
  if (Msg == WM_MBUTTONDOWN || Msg == WM_MBUTTONUP || Msg == WM_MBUTTONDBLCLK) button = mbMiddle;
  bool dbl = Msg == WM_LBUTTONDBLCLK || Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
  bool down = dbl || Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN;

  if (down) {
    TControl* target = at ? at : this;
    captured_ = at;
    // A system control (button, ...) manages capture itself; taking it away on release
    // would cancel its own click.
    if (!def_wnd_proc_ && GetCapture() != handle_) SetCapture(handle_);
    // A click needs a press and a release of the left button; the press of a double
    // click does not start one. System controls report their clicks themselves.
    clicked_ = button == mbLeft && !dbl && !def_wnd_proc_;
    local(target, x, y);
    if (dbl) {
      if (button == mbLeft) target->DblClick();
      if (!alive(target) || !handle_) return;
      target->MouseDown(button, shift | ssDouble, x, y);
    } else {
      target->MouseDown(button, shift, x, y);
    }
    return;
  }

  TControl* target = captured_ ? captured_ : this;
  if ((WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
    captured_ = nullptr;
    if (!def_wnd_proc_ && GetCapture() == handle_) ReleaseCapture();
  }
  if (!alive(target)) return;
  bool click = button == mbLeft && clicked_;
  if (button == mbLeft) clicked_ = false;
  local(target, x, y);
  target->MouseUp(button, shift, x, y);
  if (!click || !alive(target) || !handle_) return;
  RECT r = target->ClientRect();
  if (PtInRect(&r, POINT{x, y})) target->Click();
}

void TWinControl::TrackMouseLeave(bool Want) {
  if (Want == tracking_leave_ || !handle_) return;
  TRACKMOUSEEVENT tme{sizeof(tme), static_cast<DWORD>(Want ? TME_LEAVE : TME_LEAVE | TME_CANCEL),
                      handle_, 0};
  if (TrackMouseEvent(&tme)) tracking_leave_ = Want;
}

// Mouse enter and leave per control, computed as the cursor crosses controls. Now is the
// control under the cursor (this for the bare window), null when the mouse has left.
void TWinControl::UpdateHover(TControl* Now) {
  if (Now == hover_) return;
  TControl* old = hover_;
  hover_ = Now;
  if (old && (old == this || std::find(controls_.begin(), controls_.end(), old) != controls_.end()))
    old->MouseLeave();
  if (Now && hover_ == Now) Now->MouseEnter();
}

bool TWinControl::SetCursorHandler() {
  POINT p;
  if (!GetCursorPos(&p)) return false;
  ::ScreenToClient(handle_, &p);
  TControl* c = ControlAtPos(p, false);
  TCursor cursor = c && c->Cursor() != crDefault ? c->Cursor() : Cursor();
  if (cursor == crDefault) return false;
  ::SetCursor(CursorHandle(cursor));
  return true;
}
