#include "ui/Actions.h"

#include <algorithm>

TActionList::TActionList(TComponent* Owner) : TComponent(Owner) {}

TActionList::~TActionList() {
  for (TAction* a : std::vector<TAction*>(actions_)) a->list_ = nullptr;
}

TAction::TAction(TComponent* Owner) : TComponent(Owner) {}

TAction::~TAction() {
  SetActionList(nullptr);
  Notify(TChange::Destroying);
}

void TAction::SetCaption(const std::string& Caption) {
  if (caption_ == Caption) return;
  caption_ = Caption;
  Notify(TChange::Caption);
}

void TAction::SetEnabled(bool Enabled) {
  if (enabled_ == Enabled) return;
  enabled_ = Enabled;
  Notify(TChange::Enabled);
}

void TAction::SetVisible(bool Visible) {
  if (visible_ == Visible) return;
  visible_ = Visible;
  Notify(TChange::Visible);
}

void TAction::SetActionList(TActionList* List) {
  if (list_ == List) return;
  if (list_) {
    auto& v = list_->actions_;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  list_ = List;
  if (list_) list_->actions_.push_back(this);
}

bool TAction::Execute() {
  if (!enabled_ || !OnExecute) return false;
  OnExecute(this);
  return true;
}

int TAction::AddListener(TListener Listener) {
  const int id = nextListener_++;
  listeners_.emplace_back(id, std::move(Listener));
  return id;
}

void TAction::RemoveListener(int Id) {
  listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                  [Id](const auto& l) { return l.first == Id; }),
                   listeners_.end());
}

void TAction::Notify(TChange Change) {
  // A listener may remove itself (or others) while being told.
  const auto copy = listeners_;
  for (const auto& [id, listener] : copy) {
    const bool still = std::any_of(listeners_.begin(), listeners_.end(),
                                   [id = id](const auto& l) { return l.first == id; });
    if (still && listener) listener(this, Change);
  }
}
