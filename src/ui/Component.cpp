#include "ui/Component.h"

#include <algorithm>

#include "util/AnsiText.h"

TComponent::TComponent(TComponent* Owner) : owner_(Owner) {
  if (owner_) {
    owner_->components_.push_back(this);
    loading_ = owner_->loading_;  // made while its form is being built: loads with it
  }
}

TComponent::~TComponent() {
  // Each owned component removes itself from components_ as it goes.
  while (!components_.empty()) delete components_.back();
  if (owner_) {
    auto& list = owner_->components_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

TComponent* TComponent::FindComponent(const std::string& Name) const {
  for (TComponent* c : components_)
    if (SameTextAscii(c->Name(), Name)) return c;
  return nullptr;
}

void TComponent::BeginLoading() {
  loading_ = true;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  loading_ = false;
  for (TComponent* c : std::vector<TComponent*>(components_)) c->EndLoading();
  Loaded();
}
