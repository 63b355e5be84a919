// Actions: named commands with a caption and an enabled state, run through OnExecute.
// Menu items bound to an action show its caption and state and run it when clicked.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Control.h"

class TAction;

// A group of actions, as a form's action list holds them. It does not own its actions
// (their owner does); an action leaves the list when either of them goes.
class TActionList : public TComponent {
 public:
  explicit TActionList(TComponent* Owner);
  ~TActionList() override;

  int ActionCount() const { return static_cast<int>(actions_.size()); }
  TAction* Actions(int Index) const { return actions_.at(static_cast<size_t>(Index)); }

 private:
  friend class TAction;
  std::vector<TAction*> actions_;
};

class TAction : public TComponent {
 public:
  enum class TChange { Caption, Enabled, Visible, Destroying };
  using TListener = std::function<void(TAction* Sender, TChange Change)>;

  explicit TAction(TComponent* Owner);
  ~TAction() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& Caption);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool Visible);

  TActionList* ActionList() const { return list_; }
  void SetActionList(TActionList* List);

  // Runs OnExecute; false when the action is disabled or nothing is assigned.
  bool Execute();

  // Clients that show this action (menu items) hear of every change and of its end.
  int AddListener(TListener Listener);
  void RemoveListener(int Id);

  TNotifyEvent OnExecute;

 private:
  friend class TActionList;
  void Notify(TChange Change);

  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  TActionList* list_ = nullptr;
  std::vector<std::pair<int, TListener>> listeners_;
  int nextListener_ = 1;
};
