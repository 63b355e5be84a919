#include "ui/Application.h"

#include "ui/Form.h"
#include "util/ModalLoop.h"

namespace {
TApplication* g_application = nullptr;
}

TApplication* Application() {
  // Test programs use the layer without creating one; this one lives until the process ends.
  if (!g_application) new TApplication();
  return g_application;
}

std::string ExceptionMessage(std::exception_ptr Error) {
  try {
    if (Error) std::rethrow_exception(Error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
  }
  return "An unknown error occurred.";
}

TApplication::TApplication() : TComponent(nullptr) {
  previous_ = g_application;
  g_application = this;
  wndproc::RegisterLayerClass("MemtideApplication", 0);
  handle_ = CreateWindowExA(0, "MemtideApplication", title_.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                            nullptr, GetModuleHandleA(nullptr), static_cast<TWindowTarget*>(this));
}

TApplication::~TApplication() {
  // Forms first, while their owner window and GDI+ still exist.
  while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
  if (handle_) {
    wndproc::Detach(handle_);
    DestroyWindow(handle_);
  }
  if (g_application == this) g_application = previous_;
}

void TApplication::SetTitle(const std::string& Title) {
  title_ = Title;
  if (handle_) SetWindowTextA(handle_, title_.c_str());
}

LRESULT TApplication::WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_CLOSE:
      // Closing the application window means closing the program, never destroying it.
      if (main_form_)
        main_form_->Close();
      else
        Terminate();
      return 0;
    case WM_NCDESTROY:
      handle_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

bool TApplication::HandleMessage(MSG& Msg) {
  if (Msg.message == WM_QUIT) {
    terminated_ = true;
    return false;
  }
  // Tab, Enter and Esc for forms that asked for the dialog manager.
  if (HWND root = Msg.hwnd ? GetAncestor(Msg.hwnd, GA_ROOT) : nullptr) {
    auto* form = dynamic_cast<TForm*>(wndproc::Find(root));
    if (form && form->DialogKeys() && IsDialogMessageA(root, &Msg)) return true;
  }
  TranslateMessage(&Msg);
  DispatchMessageA(&Msg);
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) HandleMessage(msg);
}

void TApplication::Run() {
  MSG msg;
  while (!terminated_) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      terminated_ = true;
      break;
    }
    HandleMessage(msg);
  }
  // Terminate's quit message is still queued when the loop ends on the flag. Left there,
  // it would end the first message box shown after Run - such as a settings write error
  // while the forms are freed - before the user saw it.
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void TApplication::Terminate() {
  if (terminated_) return;
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::HandleException(std::exception_ptr Error) {
  AnnounceModalLoop();
  std::string text = ExceptionMessage(Error);
  if (OnException) {
    try {
      OnException(text);
    } catch (...) {
      // The error display itself failed; there is nowhere left to report it.
    }
    return;
  }
  MessageBoxA(handle_, text.c_str(), title_.c_str(), MB_OK | MB_ICONERROR);
}
