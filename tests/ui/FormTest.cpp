// Forms and windowed controls: creation parameters, custom messages, alignment, reflected
// notifications of system-class children, closing, and freeing.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/MessageWindow.h"

namespace {

constexpr UINT WM_OPTIMIZING_TEST = WM_USER + 257;

// A form as the monitor window makes itself: popup, tool window, not activated, owned by
// the desktop; it also counts a custom message.
class PopupForm : public TForm {
 public:
  using TForm::TForm;
  int custom = 0;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TForm::CreateParams(Params);
    Params.Style = (Params.Style & ~static_cast<DWORD>(WS_CAPTION)) | WS_POPUP;
    Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    Params.WndParent = GetDesktopWindow();
  }
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override {
    if (Msg == WM_OPTIMIZING_TEST) {
      ++custom;
      if (WParam == 1) throw std::runtime_error("custom failed");
      return 42;
    }
    return TForm::WndProc(Msg, WParam, LParam);
  }
};

// A push button: a system-class window whose clicks come back reflected.
class PushButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
  int clicks = 0;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TWinControl::CreateParams(Params);
    Params.WinClassName = "BUTTON";
    Params.SystemClass = true;
    Params.Style |= BS_PUSHBUTTON | WS_TABSTOP;
  }
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override {
    if (Msg == CN_COMMAND && HIWORD(WParam) == BN_CLICKED) {
      ++clicks;
      Click();
      return 0;
    }
    return TWinControl::WndProc(Msg, WParam, LParam);
  }
};

class Probe : public TComponent {
 public:
  Probe(TComponent* Owner, bool* Freed) : TComponent(Owner), freed_(Freed) {}
  ~Probe() override { *freed_ = true; }

 private:
  bool* freed_;
};

class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    Application()->OnException = [this](const std::string& m) { errors.push_back(m); };
  }
  void TearDown() override { Application()->OnException = nullptr; }
  std::vector<std::string> errors;
};

TEST_F(FormTest, CreationParametersOfTheFormReachTheWindow) {
  PopupForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetClientSize(257, 268);
  HWND wnd = form.Handle();
  LONG_PTR style = GetWindowLongPtrA(wnd, GWL_STYLE), ex = GetWindowLongPtrA(wnd, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_NE(GetWindow(wnd, GW_OWNER), Application()->Handle());
  EXPECT_FALSE(IsWindowVisible(wnd));  // forms start hidden
  EXPECT_EQ(form.ClientWidth(), 257);
  EXPECT_EQ(form.ClientHeight(), 268);

  // Recreating the window applies the parameters again.
  form.SetBorderStyle(bsToolWindow);
  EXPECT_NE(form.Handle(), nullptr);
  EXPECT_TRUE(GetWindowLongPtrA(form.Handle(), GWL_EXSTYLE) & WS_EX_NOACTIVATE);
}

TEST_F(FormTest, PlainFormsAreOwnedByTheApplicationWindow) {
  TForm form(nullptr);
  EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), Application()->Handle());
}

TEST_F(FormTest, CustomMessagesReachTheFormsHandlerAndFailuresTheErrorDisplay) {
  PopupForm form(nullptr);
  EXPECT_EQ(SendMessageA(form.Handle(), WM_OPTIMIZING_TEST, 0, 0), 42);
  PostMessageA(form.Handle(), WM_OPTIMIZING_TEST, 0, 0);
  Application()->ProcessMessages();
  EXPECT_EQ(form.custom, 2);
  SendMessageA(form.Handle(), WM_OPTIMIZING_TEST, 1, 0);
  EXPECT_EQ(errors, std::vector<std::string>{"custom failed"});
  EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(FormTest, BoundsFollowMovesMadeDirectlyOnTheWindow) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(10, 20, 100, 50);
  SetWindowPos(form.Handle(), nullptr, 30, 40, 120, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(form.Left(), 30);
  EXPECT_EQ(form.Top(), 40);
  EXPECT_EQ(form.Width(), 120);
  EXPECT_EQ(form.Height(), 60);
  form.SetLeft(5);
  RECT r;
  GetWindowRect(form.Handle(), &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 40);
}

TEST_F(FormTest, ClientAlignedChildFillsTheFormAndFollowsItsSize) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 100, 80);
  auto* panel = new TWinControl(&form);
  panel->SetParent(&form);
  panel->SetAlign(alClient);
  form.Handle();
  ASSERT_TRUE(panel->HandleAllocated());
  EXPECT_EQ(GetParent(panel->Handle()), form.Handle());
  EXPECT_EQ(panel->Width(), 100);
  EXPECT_EQ(panel->Height(), 80);
  form.SetBounds(0, 0, 257, 268);
  EXPECT_EQ(panel->Width(), 257);
  EXPECT_EQ(panel->Height(), 268);
  RECT r;
  GetClientRect(panel->Handle(), &r);
  EXPECT_EQ(r.right, 257);
}

TEST_F(FormTest, SystemClassChildGetsItsNotificationsReflected) {
  TForm form(nullptr);
  auto* button = new PushButton(&form);
  button->SetBounds(10, 10, 75, 22);
  button->SetCaption("Ok");
  button->SetParent(&form);
  int clicked = 0;
  button->OnClick = [&](TObject* s) { clicked += s == button; };
  HWND wnd = button->Handle();
  char cls[32] = {};
  GetClassNameA(wnd, cls, sizeof cls);
  EXPECT_STRCASEEQ(cls, "Button");
  char text[16] = {};
  GetWindowTextA(wnd, text, sizeof text);
  EXPECT_STREQ(text, "Ok");
  SendMessageA(wnd, BM_CLICK, 0, 0);
  EXPECT_EQ(button->clicks, 1);
  EXPECT_EQ(clicked, 1);
  button->SetCaption("Cancel");
  GetWindowTextA(wnd, text, sizeof text);
  EXPECT_STREQ(text, "Cancel");
}

TEST_F(FormTest, CloseHidesByDefaultAndOnCloseMayRefuse) {
  TForm form(nullptr);
  form.Show();
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  TCloseAction asked = caNone;
  form.OnClose = [&](TObject*, TCloseAction& a) {
    asked = a;
    a = caNone;
  };
  SendMessageA(form.Handle(), WM_CLOSE, 0, 0);  // the caption's close button
  EXPECT_EQ(asked, caHide);
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
  form.OnClose = nullptr;
  form.Close();
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_TRUE(IsWindow(form.Handle()));  // hidden, kept for the next opening
  EXPECT_FALSE(form.Visible());
}

TEST_F(FormTest, CaFreeDeletesTheFormAfterItsHandlerReturned) {
  bool freed = false;
  auto* form = new TForm(nullptr);
  new Probe(form, &freed);
  form->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  HWND wnd = form->Handle();
  form->Close();
  EXPECT_FALSE(freed);
  Application()->ProcessMessages();
  EXPECT_TRUE(freed);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST_F(FormTest, FreeingAFormDestroysItsWindowsAndOwnedComponents) {
  bool freed = false;
  auto* form = new TForm(nullptr);
  auto* panel = new TWinControl(form);
  panel->SetParent(form);
  new Probe(form, &freed);
  HWND fw = form->Handle(), pw = panel->Handle();
  delete form;
  EXPECT_TRUE(freed);
  EXPECT_FALSE(IsWindow(fw));
  EXPECT_FALSE(IsWindow(pw));
}

// Handles are reused by later windows (of any process): a window destroyed behind its
// object's back must not stay mapped to that object.
TEST_F(FormTest, WindowsDestroyedFromOutsideAreNoLongerMapped) {
  TForm form(nullptr);
  auto* panel = new TWinControl(&form);
  panel->SetParent(&form);
  TMessageWindow hidden([](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
  HWND fw = form.Handle(), pw = panel->Handle(), hw = hidden.Handle();
  EXPECT_EQ(wndproc::Find(fw), static_cast<TWindowTarget*>(&form));
  EXPECT_EQ(wndproc::Find(pw), static_cast<TWindowTarget*>(panel));
  EXPECT_EQ(wndproc::Find(hw), static_cast<TWindowTarget*>(&hidden));
  DestroyWindow(hw);
  DestroyWindow(fw);  // takes the panel's window with it
  EXPECT_EQ(wndproc::Find(fw), nullptr);
  EXPECT_EQ(wndproc::Find(pw), nullptr);
  EXPECT_EQ(wndproc::Find(hw), nullptr);
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_EQ(hidden.Handle(), nullptr);
}

TEST_F(FormTest, ChildFreedBeforeItsParentLeavesTheParentConsistent) {
  TForm form(nullptr);
  auto* panel = new TWinControl(&form);
  panel->SetParent(&form);
  auto* inner = new TControl(&form);
  inner->SetParent(panel);
  HWND pw = panel->Handle();
  delete panel;  // inner stays owned by the form, but loses its parent
  EXPECT_FALSE(IsWindow(pw));
  EXPECT_EQ(inner->Parent(), nullptr);
  EXPECT_EQ(form.ControlCount(), 0);
}

}  // namespace
