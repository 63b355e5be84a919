// The standard controls the options dialog is built from, driven through their windows.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/StdCtrls.h"

namespace {

class StdCtrlsTest : public ::testing::Test {
 protected:
  std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
  void SetUp() override {
    form->SetBounds(50, 50, 400, 300);
    form->Show();
  }
};

}  // namespace

TEST_F(StdCtrlsTest, Button_ClickFromTheSystemRaisesOnClickOnce) {
  auto* b = new TButton(form.get());
  b->SetCaption("Press");
  b->SetParent(form.get());
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  char cls[32] = {};
  GetClassNameA(b->Handle(), cls, sizeof cls);
  EXPECT_STREQ(cls, "Button");
  SendMessageA(b->Handle(), BM_CLICK, 0, 0);
  testsupport::PumpMessages(50);
  EXPECT_EQ(clicks, 1);
  char text[32] = {};
  GetWindowTextA(b->Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Press");
}

TEST_F(StdCtrlsTest, Button_DefaultAndCancelCarryTheDialogIds) {
  auto* ok = new TButton(form.get());
  ok->SetDefault(true);
  ok->SetParent(form.get());
  auto* cancel = new TButton(form.get());
  cancel->SetCancel(true);
  cancel->SetParent(form.get());
  EXPECT_EQ(GetDlgItem(form->Handle(), IDOK), ok->Handle());
  EXPECT_EQ(GetDlgItem(form->Handle(), IDCANCEL), cancel->Handle());
  EXPECT_TRUE(GetWindowLongPtrA(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
  int cancels = 0;
  cancel->OnClick = [&](TObject*) { ++cancels; };
  // What the dialog manager sends for Esc.
  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(cancel->Handle()));
  EXPECT_EQ(cancels, 1);
}

TEST_F(StdCtrlsTest, CheckBox_StateBeforeAndAfterTheWindowAndUserToggle) {
  auto* c = new TCheckBox(form.get());
  c->SetChecked(true);
  EXPECT_TRUE(c->Checked());
  c->SetParent(form.get());
  EXPECT_EQ(SendMessageA(c->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  int clicks = 0;
  c->OnClick = [&](TObject*) { ++clicks; };
  SendMessageA(c->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(c->Checked());
  EXPECT_EQ(clicks, 1);
  c->SetChecked(true);
  EXPECT_EQ(SendMessageA(c->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(StdCtrlsTest, ComboBox_ItemsSelectionAndUserChange) {
  auto* cb = new TComboBox(form.get());
  cb->AddItem("English");
  cb->SetItemIndex(0);
  cb->SetBounds(10, 10, 185, 21);
  cb->SetParent(form.get());
  cb->AddItem("Deutsch");
  EXPECT_EQ(SendMessageA(cb->Handle(), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(cb->Text(), "English");
  EXPECT_TRUE(GetWindowLongPtrA(cb->Handle(), GWL_STYLE) & CBS_DROPDOWNLIST);
  cb->SetItemIndex(5);
  EXPECT_EQ(cb->ItemIndex(), -1);
  EXPECT_EQ(cb->Text(), "");
  int changes = 0;
  cb->OnChange = [&](TObject*) { ++changes; };
  SendMessageA(cb->Handle(), CB_SETCURSEL, 1, 0);
  SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(cb->Handle()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(cb->Handle()));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(cb->Text(), "Deutsch");
  RECT r;
  GetWindowRect(cb->Handle(), &r);
  EXPECT_EQ(r.right - r.left, 185);
  EXPECT_EQ(cb->Height(), 21);  // the closed height, whatever the window reports
  SendMessageA(cb->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_GT(r.bottom - r.top, 100);  // room for the dropped list
  cb->ClearItems();
  EXPECT_EQ(SendMessageA(cb->Handle(), CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(cb->ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, PageControl_ShowsOnlyTheActivePage) {
  auto* pc = new TPageControl(form.get());
  pc->SetBounds(8, 8, 300, 200);
  pc->SetParent(form.get());
  auto* one = new TTabSheet(form.get());
  one->SetCaption("One");
  one->SetPageControl(pc);
  auto* two = new TTabSheet(form.get());
  two->SetCaption("Two");
  two->SetPageControl(pc);
  EXPECT_EQ(pc->ActivePage(), one);
  EXPECT_EQ(SendMessageA(pc->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_TRUE(IsWindowVisible(one->Handle()));
  EXPECT_FALSE(IsWindowVisible(two->Handle()));
  RECT display = pc->DisplayRect();
  EXPECT_EQ(one->Left(), display.left);
  EXPECT_EQ(one->Width(), display.right - display.left);
  EXPECT_GT(one->Top(), 10);  // below the tabs

  // The user picks the second tab.
  int changes = 0;
  pc->OnChange = [&](TObject*) { ++changes; };
  SendMessageA(pc->Handle(), TCM_SETCURSEL, 1, 0);
  NMHDR nm{pc->Handle(), 0, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(form->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  EXPECT_FALSE(IsWindowVisible(one->Handle()));
  EXPECT_TRUE(IsWindowVisible(two->Handle()));

  two->SetCaption("Zwei");
  char text[16] = {};
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(pc->Handle(), TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, "Zwei");
}

TEST_F(StdCtrlsTest, HotKey_ValueThroughTheSystemControl) {
  auto* hk = new THotKey(form.get());
  hk->SetHotKey(32833);
  hk->SetParent(form.get());
  EXPECT_EQ(LOWORD(SendMessageA(hk->Handle(), HKM_GETHOTKEY, 0, 0)), MAKEWORD('A', HOTKEYF_ALT));
  SendMessageA(hk->Handle(), HKM_SETHOTKEY, MAKEWORD('O', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
  EXPECT_EQ(hk->HotKey(), 0xC04F);
  hk->SetHotKey(0);
  EXPECT_EQ(SendMessageA(hk->Handle(), HKM_GETHOTKEY, 0, 0), 0);
}

TEST_F(StdCtrlsTest, Label_AutoSizesToItsCaption) {
  auto* l = new TLabel(form.get());
  l->SetParent(form.get());
  l->SetCaption("Language");
  const int shortWidth = l->Width();
  EXPECT_GT(shortWidth, 20);
  EXPECT_GT(l->Height(), 8);
  l->SetCaption("A much longer caption than before");
  EXPECT_GT(l->Width(), shortWidth * 2);
  l->SetAutoSize(false);
  l->SetBounds(0, 0, 10, 10);
  l->SetCaption("Language");
  EXPECT_EQ(l->Width(), 10);
}

TEST(DialogsTest, RunnersReplaceTheSystemDialogs) {
  TColorDialog cd(nullptr);
  cd.SetColor(0x123456);
  cd.Runner = [](TColorDialog& d) {
    EXPECT_EQ(d.Color(), 0x123456u);
    d.SetColor(0x00FF00);
    return true;
  };
  EXPECT_TRUE(cd.Execute());
  EXPECT_EQ(cd.Color(), 0x00FF00u);
  TOpenDialog od(nullptr);
  od.Runner = [](TOpenDialog&) { return false; };
  EXPECT_FALSE(od.Execute());
}
