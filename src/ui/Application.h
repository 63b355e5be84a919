// TApplication: the program-wide object. It owns the forms created with it as owner and a
// hidden top-level window (class "MemtideApplication", title = Title(), "Memtide") that
// owns the forms' windows and the message boxes. Other units that watch that window's
// messages do it through TWindowHook (shell/WindowHook.h), the one chain of procedures on
// it; none replaces the procedure itself.
//
// The program's entry creates one TApplication on the stack after its GdiPlusSession, so
// forms are freed while GDI+ still runs. Application() returns it; when none was created
// (test programs), the first call creates one that lives until the process ends. A
// TApplication made while another exists replaces it as Application() until destroyed.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "ui/Component.h"
#include "ui/WinControl.h"

class TForm;

class TApplication : public TComponent, public TWindowTarget {
 public:
  TApplication();
  ~TApplication() override;

  HWND Handle() const { return handle_; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Title);

  TForm* MainForm() const { return main_form_; }
  // The form whose closing ends Run(); the first form created is not chosen implicitly.
  void SetMainForm(TForm* Form) { main_form_ = Form; }

  // Handles every pending message of this thread, then returns. A WM_QUIT met here sets
  // Terminated().
  void ProcessMessages();
  // The message loop: runs until Terminate() (the main form's Close calls it) or WM_QUIT.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // The default error display, used by every window procedure, timer and hidden window of
  // the layer: a message box (error icon, OK) with the exception's text, owned by the
  // application window and captioned Title(). OnException, when set, replaces it.
  void HandleException(std::exception_ptr Error);
  std::function<void(const std::string& Message)> OnException;

  LRESULT WindowMessage(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  bool HandleMessage(MSG& Msg);
  HWND handle_ = nullptr;
  std::string title_ = "Memtide";
  TForm* main_form_ = nullptr;
  bool terminated_ = false;
  TApplication* previous_ = nullptr;  // restored as Application() when this one goes
};

// The application object (see above).
TApplication* Application();
// The text shown for an exception (what() of std::exception; a fixed text otherwise).
std::string ExceptionMessage(std::exception_ptr Error);
