#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/Dpi.h"
#include "util/ModalLoop.h"

namespace {
// Posted to a form that chose caFree, so it is deleted after its handler has returned.
constexpr UINT CM_RELEASE = 0xB001;
}

TForm::TForm(TComponent* Owner) : TWinControl(Owner) {
  // Forms start hidden; Show() or ShowWindow on Handle() makes them appear.
  TControl::SetVisible(false);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  if (Application()->MainForm() == this) Application()->SetMainForm(nullptr);
}

void TForm::SetBorderStyle(TFormBorderStyle Value) {
  if (Value == border_style_) return;
  border_style_ = Value;
  RecreateWnd();
}

void TForm::SetFormStyle(TFormStyle Value) {
  if (Value == form_style_) return;
  form_style_ = Value;
  if (HandleAllocated())
    SetWindowPos(Handle(), Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_POPUP);
  Params.ExStyle |= WS_EX_CONTROLPARENT;
  switch (border_style_) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER; break;
    case bsSizeable: Params.Style |= WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      Params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      Params.Style |= WS_CAPTION | WS_SYSMENU;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (form_style_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  Params.WndParent = Application()->Handle();
}

void TForm::Show() {
  SetVisible(true);
  if (!HandleAllocated()) Handle();  // created visible from CreateParams
  BringToFront();
}

void TForm::Hide() { SetVisible(false); }

void TForm::BringToFront() {
  if (!HandleAllocated()) return;
  SetWindowPos(Handle(), form_style_ == fsStayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(Handle());
}

void TForm::Close() {
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application()->MainForm() == this) {
    Application()->Terminate();
    return;
  }
  switch (action) {
    case caMinimize:
      if (HandleAllocated()) ShowWindow(Handle(), SW_MINIMIZE);
      break;
    case caFree:
      Hide();
      PostMessageA(Handle(), CM_RELEASE, 0, 0);
      break;
    default:
      Hide();
      break;
  }
}

void TForm::ScaleForDpi(int Dpi) {
  if (Dpi <= 0 || Dpi == pixels_per_inch_) return;
  const int from = pixels_per_inch_;
  pixels_per_inch_ = Dpi;
  ChangeScale(Dpi, from);
}

void TForm::CreateWindowHandle() {
  TWinControl::CreateWindowHandle();
  ScaleForDpi(dpi::WindowDpi(Handle()));
}

LRESULT TForm::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_DPICHANGED: {
      ScaleForDpi(HIWORD(WParam));
      const RECT* r = reinterpret_cast<const RECT*>(LParam);
      if (r)
        SetWindowPos(Handle(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      Close();
      return 0;
    case CM_RELEASE:
      delete this;  // nothing of this object is touched after this point
      return 0;
    case WM_ENTERMENULOOP:  // the system menu
    case WM_ENTERSIZEMOVE:  // moving or sizing by the frame
      AnnounceModalLoop();
      return TWinControl::WndProc(Msg, WParam, LParam);
    default:
      return TWinControl::WndProc(Msg, WParam, LParam);
  }
}
