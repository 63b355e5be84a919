// TForm: a top-level window. Its window is created on first need (Show, Handle()), from
// CreateParams, which a form overrides to change style, extended style or parent window.
//
// Creation and destruction hooks: a form builds its controls in its constructor and ends
// the constructor by calling its own FormCreate handler; its destructor starts with its
// FormDestroy handler (the controls still exist then and are freed afterwards, as owned
// components). Custom messages: override WndProc, handle yours, pass the rest to
// TForm::WndProc.
#pragma once
#include <functional>

#include "ui/WinControl.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* Owner);
  ~TForm() override;

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle Value);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle Value);

  // Show: visible and brought to the front. Hide: SW_HIDE. Both set Visible.
  void Show();
  void Hide();
  // Asks OnClose for the action (default caHide; the main form ends the application).
  void Close();
  void BringToFront();

  // Tab, Enter and Esc handled by the dialog manager (IsDialogMessage) in the message loop.
  bool DialogKeys() const { return dialog_keys_; }
  void SetDialogKeys(bool Value) { dialog_keys_ = Value; }

  // The DPI the form's measures are in: 96 (the design) until ScaleForDpi changes it.
  int PixelsPerInch() const { return pixels_per_inch_; }
  // Scales the form and its controls from PixelsPerInch to Dpi. A form calls it after
  // building its controls; the window does it again when created on a monitor of another
  // DPI and on WM_DPICHANGED.
  void ScaleForDpi(int Dpi);

  std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;

 protected:
  void CreateParams(TCreateParams& Params) override;
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;
  void CreateWindowHandle() override;

 private:
  int pixels_per_inch_ = 96;
  TFormBorderStyle border_style_ = bsSizeable;
  TFormStyle form_style_ = fsNormal;
  bool dialog_keys_ = false;
};
