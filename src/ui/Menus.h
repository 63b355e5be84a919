// Popup menus and their items. The Windows menu is built from the items each time the menu
// opens, so captions and enabled states of bound actions are always current.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/Actions.h"
#include "ui/Component.h"
#include "util/ScopedHandles.h"

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* Owner);
  // Frees its sub-items and leaves its parent item.
  ~TMenuItem() override;

  // With an action bound, caption and enabled state are the action's.
  std::string Caption() const;
  void SetCaption(const std::string& Caption);
  bool Enabled() const;
  void SetEnabled(bool Enabled);
  bool Visible() const;
  void SetVisible(bool Visible);
  bool Checked() const { return checked_; }
  void SetChecked(bool Checked) { checked_ = Checked; }
  // The default item is drawn bold.
  bool Default() const { return default_; }
  void SetDefault(bool Default) { default_ = Default; }
  // A caption of "-" makes the item a separator.
  bool IsLine() const { return Caption() == "-"; }

  TAction* Action() const { return action_; }
  void SetAction(TAction* Action);

  // Sub-items; an item added here is freed with its parent.
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int Index) const { return items_.at(static_cast<size_t>(Index)); }
  TMenuItem* Parent() const { return parent_; }
  int MenuIndex() const;

  // Runs OnClick, or else the bound action; nothing when disabled.
  virtual void Click();

  TNotifyEvent OnClick;

 private:
  void Unbind();

  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool default_ = false;
  TAction* action_ = nullptr;
  int listener_ = 0;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TPopupMenu : public TComponent {
 public:
  explicit TPopupMenu(TComponent* Owner);
  ~TPopupMenu() override;

  // The top-level items hang below this root item.
  TMenuItem* Items() const { return items_; }
  // Whether the menu opens by itself on a right click of the control it belongs to.
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool AutoPopup) { autoPopup_ = AutoPopup; }
  // The component that opened the menu last.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* Component) { popupComponent_ = Component; }

  // Shows the menu at screen point (X, Y) and returns when it closes; the chosen item is
  // clicked after that. OnPopup runs first, so it may still change items and actions.
  virtual void Popup(int X, int Y);

  // The Windows menu as it would show now; command ids follow ItemForCommand.
  UniqueHMenu BuildMenu();
  // The item behind a command of the menu last built, or null.
  TMenuItem* ItemForCommand(UINT Command) const;

  // Those that keep a reference to this menu hear of its end.
  int AddDestroyListener(std::function<void(TPopupMenu*)> Listener);
  void RemoveDestroyListener(int Id);

  TNotifyEvent OnPopup;

 private:
  void AppendItems(HMENU menu, TMenuItem* parent);

  TMenuItem* items_ = nullptr;
  bool autoPopup_ = true;
  TComponent* popupComponent_ = nullptr;
  std::vector<TMenuItem*> commands_;
  HWND window_ = nullptr;
  std::vector<std::pair<int, std::function<void(TPopupMenu*)>>> destroyListeners_;
  int nextListener_ = 1;
};
