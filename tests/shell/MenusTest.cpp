#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"
#include "ui/Actions.h"
#include "ui/Menus.h"

namespace {

struct ItemInfo {
  std::string text;
  UINT type = 0, state = 0, id = 0;
  HMENU sub = nullptr;
};

ItemInfo Info(HMENU menu, int pos) {
  char buf[256] = {};
  MENUITEMINFOA mii = {};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
  mii.dwTypeData = buf;
  mii.cch = sizeof buf;
  GetMenuItemInfoA(menu, static_cast<UINT>(pos), TRUE, &mii);
  return {buf, mii.fType, mii.fState, mii.wID, mii.hSubMenu};
}

TMenuItem* AddItem(TComponent* owner, TMenuItem* parent, const std::string& caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

// The tray menu's shape: a bold default item bound to an action, separators, actions.
struct TrayMenu : testing::Test {
  TComponent form{nullptr};
  TActionList* list = new TActionList(&form);
  TAction* optimize = new TAction(&form);
  TAction* exitAct = new TAction(&form);
  TPopupMenu* menu = new TPopupMenu(&form);
  TMenuItem* start = nullptr;
  TMenuItem* exit = nullptr;
  int optimized = 0, exited = 0;

  void SetUp() override {
    optimize->SetCaption("Start Optimize");
    optimize->SetActionList(list);
    optimize->OnExecute = [this](TObject*) { ++optimized; };
    exitAct->SetCaption("Exit");
    exitAct->SetActionList(list);
    exitAct->OnExecute = [this](TObject*) { ++exited; };
    start = AddItem(&form, menu->Items(), "");
    start->SetAction(optimize);
    start->SetDefault(true);
    AddItem(&form, menu->Items(), "-");
    exit = AddItem(&form, menu->Items(), "");
    exit->SetAction(exitAct);
  }
};

}  // namespace

TEST_F(TrayMenu, BuiltMenuShowsActionsDefaultBoldAndSeparators) {
  UniqueHMenu built = menu->BuildMenu();
  ASSERT_TRUE(built);
  ASSERT_EQ(GetMenuItemCount(built.get()), 3);
  const ItemInfo first = Info(built.get(), 0);
  EXPECT_EQ(first.text, "Start Optimize");
  EXPECT_TRUE(first.state & MFS_DEFAULT);
  EXPECT_EQ(GetMenuDefaultItem(built.get(), TRUE, 0), 0u);
  EXPECT_TRUE(Info(built.get(), 1).type & MFT_SEPARATOR);
  const ItemInfo last = Info(built.get(), 2);
  EXPECT_EQ(last.text, "Exit");
  EXPECT_FALSE(last.state & (MFS_DEFAULT | MFS_GRAYED));
  EXPECT_EQ(menu->ItemForCommand(last.id), exit);
  EXPECT_EQ(menu->ItemForCommand(0), nullptr);
  EXPECT_EQ(menu->ItemForCommand(99), nullptr);
}

TEST_F(TrayMenu, MenuFollowsActionCaptionAndEnabledState) {
  optimize->SetCaption("Optimierung starten");
  optimize->SetEnabled(false);
  EXPECT_EQ(start->Caption(), "Optimierung starten");
  EXPECT_FALSE(start->Enabled());
  UniqueHMenu built = menu->BuildMenu();
  const ItemInfo first = Info(built.get(), 0);
  EXPECT_EQ(first.text, "Optimierung starten");
  EXPECT_TRUE(first.state & MFS_GRAYED);
  // Setting the item's caption sets the action's, as every item showing it must agree.
  start->SetCaption("Go");
  EXPECT_EQ(optimize->Caption(), "Go");
}

TEST_F(TrayMenu, ClickRunsTheActionOnlyWhenEnabled) {
  start->Click();
  EXPECT_EQ(optimized, 1);
  optimize->SetEnabled(false);
  start->Click();
  EXPECT_FALSE(optimize->Execute());
  EXPECT_EQ(optimized, 1);
  int own = 0;
  exit->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, exit);
    ++own;
  };
  exit->Click();  // an item's own OnClick takes the place of the action
  EXPECT_EQ(own, 1);
  EXPECT_EQ(exited, 0);
}

TEST_F(TrayMenu, HiddenItemsAndSubItems) {
  exitAct->SetVisible(false);
  TMenuItem* more = AddItem(&form, menu->Items(), "More");
  AddItem(&form, more, "Inner");
  UniqueHMenu built = menu->BuildMenu();
  ASSERT_EQ(GetMenuItemCount(built.get()), 3);
  const ItemInfo sub = Info(built.get(), 2);
  EXPECT_EQ(sub.text, "More");
  ASSERT_NE(sub.sub, nullptr);
  EXPECT_EQ(Info(sub.sub, 0).text, "Inner");
}

TEST_F(TrayMenu, FreedActionLeavesItemWithItsLastCaption) {
  delete exitAct;
  exitAct = nullptr;
  EXPECT_EQ(exit->Action(), nullptr);
  EXPECT_EQ(exit->Caption(), "Exit");
  EXPECT_EQ(list->ActionCount(), 1);
  exit->Click();  // nothing to run, nothing breaks
}

TEST_F(TrayMenu, ItemsLeaveTheirParentWhenFreedAndFreeTheirSubItems) {
  TMenuItem* more = AddItem(&form, menu->Items(), "More");
  AddItem(&form, more, "Inner");
  const int components = form.ComponentCount();
  EXPECT_EQ(more->MenuIndex(), 3);
  delete more;
  EXPECT_EQ(menu->Items()->Count(), 3);
  EXPECT_EQ(form.ComponentCount(), components - 2);
  EXPECT_EQ(exit->MenuIndex(), 2);
}

TEST_F(TrayMenu, DestroyListenersHearOfTheMenusEnd) {
  TPopupMenu* seen = nullptr;
  menu->AddDestroyListener([&](TPopupMenu* m) { seen = m; });
  const int removed = menu->AddDestroyListener([&](TPopupMenu*) { FAIL(); });
  menu->RemoveDestroyListener(removed);
  TPopupMenu* old = menu;
  delete menu;
  menu = nullptr;
  EXPECT_EQ(seen, old);
  EXPECT_EQ(start->Parent(), nullptr);  // items went with the menu
}

TEST(ActionList, ActionsJoinAndLeave) {
  TComponent form(nullptr);
  auto* list = new TActionList(&form);
  auto* a = new TAction(&form);
  auto* b = new TAction(&form);
  a->SetActionList(list);
  b->SetActionList(list);
  EXPECT_EQ(list->ActionCount(), 2);
  EXPECT_EQ(list->Actions(1), b);
  delete a;
  EXPECT_EQ(list->ActionCount(), 1);
  delete list;
  EXPECT_EQ(b->ActionList(), nullptr);
}

namespace {
// While a menu is open, keyboard input reaches the menu loop of this thread.
void CALLBACK ChooseSecondEntry(HWND wnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(wnd, id);
  HWND menuWnd = FindWindowA("#32768", nullptr);
  HWND target = menuWnd ? menuWnd : GetFocus();
  PostMessageA(target, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(target, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(target, WM_KEYDOWN, VK_RETURN, 0);
}
void CALLBACK CloseMenu(HWND wnd, UINT, UINT_PTR id, DWORD) {
  KillTimer(wnd, id);
  EndMenu();
}
}  // namespace

TEST_F(TrayMenu, PopupRunsOnPopupAndClosesWithoutChoice) {
  int popups = 0;
  menu->OnPopup = [&](TObject*) {
    ++popups;
    optimize->SetCaption("Changed in OnPopup");
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseMenu);
  menu->Popup(100, 100);
  KillTimer(nullptr, timer);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(optimized + exited, 0);
}

TEST_F(TrayMenu, PopupClicksTheChosenItemAfterTheMenuCloses) {
  const UINT_PTR choose = SetTimer(nullptr, 0, 300, ChooseSecondEntry);
  const UINT_PTR guard = SetTimer(nullptr, 0, 3000, CloseMenu);
  menu->Popup(100, 100);
  KillTimer(nullptr, choose);
  KillTimer(nullptr, guard);
  // Down from no selection lands on the first item, down again skips the separator.
  EXPECT_EQ(exited, 1);
  EXPECT_EQ(optimized, 0);
}
