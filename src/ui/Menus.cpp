#include "ui/Menus.h"

#include <algorithm>

#include "util/ModalLoop.h"

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* Owner) : TComponent(Owner) {}

TMenuItem::~TMenuItem() {
  Unbind();
  while (!items_.empty()) delete items_.back();
  if (parent_) parent_->Remove(this);
}

std::string TMenuItem::Caption() const { return action_ ? action_->Caption() : caption_; }

void TMenuItem::SetCaption(const std::string& Caption) {
  if (action_) action_->SetCaption(Caption);
  else caption_ = Caption;
}

bool TMenuItem::Enabled() const { return action_ ? action_->Enabled() : enabled_; }

void TMenuItem::SetEnabled(bool Enabled) {
  if (action_) action_->SetEnabled(Enabled);
  else enabled_ = Enabled;
}

bool TMenuItem::Visible() const { return action_ ? action_->Visible() : visible_; }

void TMenuItem::SetVisible(bool Visible) {
  if (action_) action_->SetVisible(Visible);
  else visible_ = Visible;
}

void TMenuItem::SetAction(TAction* Action) {
  if (action_ == Action) return;
  Unbind();
  action_ = Action;
  if (!action_) return;
  listener_ = action_->AddListener([this](TAction*, TAction::TChange change) {
    if (change != TAction::TChange::Destroying) return;
    // Keep showing what the action showed last, as an unbound item.
    caption_ = action_->Caption();
    enabled_ = action_->Enabled();
    visible_ = action_->Visible();
    action_ = nullptr;
    listener_ = 0;
  });
}

void TMenuItem::Unbind() {
  if (action_ && listener_) action_->RemoveListener(listener_);
  action_ = nullptr;
  listener_ = 0;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item || Item == this) return;
  if (Item->parent_) Item->parent_->Remove(Item);
  Index = std::clamp(Index, 0, Count());
  items_.insert(items_.begin() + Index, Item);
  Item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(items_.begin(), items_.end(), Item);
  if (it == items_.end()) return;
  items_.erase(it);
  Item->parent_ = nullptr;
}

int TMenuItem::MenuIndex() const {
  if (!parent_) return -1;
  auto& v = parent_->items_;
  return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

void TMenuItem::Click() {
  if (!Enabled()) return;
  if (OnClick) OnClick(this);
  else if (action_) action_->Execute();
}

// ---- TPopupMenu ----

namespace {

const char kMenuWindowClass[] = "MemtidePopupMenuWindow";

HWND CreateMenuWindow() {
  static const ATOM atom = [] {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kMenuWindowClass;
    return RegisterClassA(&wc);
  }();
  (void)atom;
  return CreateWindowExA(WS_EX_TOOLWINDOW, kMenuWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

bool InTree(const TMenuItem* root, const TMenuItem* item) {
  for (int i = 0; i < root->Count(); ++i)
    if (root->Items(i) == item || InTree(root->Items(i), item)) return true;
  return false;
}

}  // namespace

TPopupMenu::TPopupMenu(TComponent* Owner) : TComponent(Owner) { items_ = new TMenuItem(this); }

TPopupMenu::~TPopupMenu() {
  const auto listeners = destroyListeners_;
  for (const auto& [id, listener] : listeners)
    if (listener) listener(this);
  if (window_) DestroyWindow(window_);
  // items_ is an owned component and goes with the inherited destructor.
}

UniqueHMenu TPopupMenu::BuildMenu() {
  commands_.clear();
  UniqueHMenu menu(CreatePopupMenu());
  if (menu) AppendItems(menu.get(), items_);
  return menu;
}

void TPopupMenu::AppendItems(HMENU menu, TMenuItem* parent) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    const std::string caption = item->Caption();
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    if (item->IsLine()) {
      mii.fMask = MIIM_FTYPE;
      mii.fType = MFT_SEPARATOR;
    } else {
      commands_.push_back(item);
      mii.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_STATE;
      mii.fType = MFT_STRING;
      mii.wID = static_cast<UINT>(commands_.size());
      mii.dwTypeData = const_cast<char*>(caption.c_str());
      mii.fState = (item->Enabled() ? MFS_ENABLED : MFS_GRAYED) |
                   (item->Checked() ? MFS_CHECKED : 0u) | (item->Default() ? MFS_DEFAULT : 0u);
      if (item->Count() > 0) {
        HMENU sub = CreatePopupMenu();
        if (sub) {
          AppendItems(sub, item);
          mii.fMask |= MIIM_SUBMENU;
          mii.hSubMenu = sub;
        }
      }
    }
    InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &mii);
  }
}

TMenuItem* TPopupMenu::ItemForCommand(UINT Command) const {
  if (Command == 0 || Command > commands_.size()) return nullptr;
  return commands_[Command - 1];
}

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  UniqueHMenu menu = BuildMenu();
  if (!menu) return;
  if (!window_) window_ = CreateMenuWindow();
  AnnounceModalLoop();
  const UINT command = static_cast<UINT>(
      TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, X, Y, 0,
                     window_, nullptr));
  TMenuItem* item = ItemForCommand(command);
  commands_.clear();
  // Messages handled while the menu was open may have freed the item.
  if (item && InTree(items_, item)) item->Click();
}

int TPopupMenu::AddDestroyListener(std::function<void(TPopupMenu*)> Listener) {
  const int id = nextListener_++;
  destroyListeners_.emplace_back(id, std::move(Listener));
  return id;
}

void TPopupMenu::RemoveDestroyListener(int Id) {
  destroyListeners_.erase(std::remove_if(destroyListeners_.begin(), destroyListeners_.end(),
                                         [Id](const auto& l) { return l.first == Id; }),
                          destroyListeners_.end());
}
