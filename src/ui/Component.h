// Root classes of the GUI layer: TObject (the type of an event's Sender) and TComponent,
// the owner tree. A component created with an owner is destroyed with it; objects made
// without an owner belong to whoever made them.
#pragma once
#include <string>
#include <vector>

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* Owner);
  // Destroys the owned components, newest first, then leaves the owner's list.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& Name) { name_ = Name; }
  int Tag() const { return tag_; }
  void SetTag(int Tag) { tag_ = Tag; }

  // Owned components in creation order.
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const { return components_.at(static_cast<size_t>(Index)); }
  // First owned component with that name (case-insensitive), or null.
  TComponent* FindComponent(const std::string& Name) const;

  // While a form builds its controls in bulk it brackets the work with these: sizing that
  // waits for the whole form (auto-size labels, auto-size buttons) checks Loading() and
  // runs once from Loaded() at EndLoading(), for this component and every owned one.
  // A component created while its owner is loading starts loading too.
  void BeginLoading();
  void EndLoading();
  bool Loading() const { return loading_; }

 protected:
  virtual void Loaded() {}

 private:
  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::string name_;
  int tag_ = 0;
  bool loading_ = false;
};
