#include "classlib/component.h"

#include <strings.h>

#include <algorithm>

#include "classlib/exceptions.h"

namespace classlib {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

}  // namespace

bool IsValidIdent(std::string_view name) {
  if (name.empty() || !IsIdentStart(name.front())) return false;
  return std::all_of(name.begin() + 1, name.end(), IsIdentChar);
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  while (!free_notifies_.empty()) {
    TComponent* subscriber = free_notifies_.back();
    free_notifies_.pop_back();
    // Dropped before the call so that no pointer to this component survives
    // even when an override does not call the inherited Notification.
    subscriber->DropFreeNotify(this);
    subscriber->Notification(this, opRemove);
  }
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("Component name \"" + name + "\" is not a valid component name");
  if (owner_)
    owner_->ValidateRename(this, name_, name);
  else
    ValidateRename(nullptr, name_, name);
  name_ = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return components_[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameName(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  if (state_.Contains(csLoading)) component->MarkLoading(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  std::erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    RemoveComponent(last);
    delete last;
  }
}

void TComponent::SetDesigning(bool designing, bool set_children) {
  if (designing)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  if (set_children)
    for (TComponent* c : components_) c->SetDesigning(designing, true);
}

void TComponent::Destroying() { state_.Include(csDestroying); }

void TComponent::MarkLoading(bool loading) {
  if (loading)
    state_.Include(csLoading).Include(csReading);
  else
    state_.Exclude(csReading);
  if (loading) load_pending_ = true;
  for (TComponent* c : components_) c->MarkLoading(loading);
}

void TComponent::BeginLoading() { MarkLoading(true); }

void TComponent::EndLoading() {
  MarkLoading(false);
  // The tree is searched afresh for each call, because a Loaded override may
  // create or free components.
  while (TComponent* next = NextPendingLoad()) {
    next->load_pending_ = false;
    next->Loaded();
  }
}

TComponent* TComponent::NextPendingLoad() {
  if (load_pending_) return this;
  for (TComponent* c : components_)
    if (TComponent* found = c->NextPendingLoad()) return found;
  return nullptr;
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (!owner_ || component->owner_ != owner_) {
    // A component on its way out must not gain subscribers it would never tell.
    if (state_.Contains(csDestroying) || component->state_.Contains(csDestroying)) return;
    if (std::find(free_notifies_.begin(), free_notifies_.end(), component) ==
        free_notifies_.end()) {
      AddFreeNotify(component);
      component->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  DropFreeNotify(component);
  component->DropFreeNotify(this);
}

void TComponent::AddFreeNotify(TComponent* component) { free_notifies_.push_back(component); }

void TComponent::DropFreeNotify(TComponent* component) { std::erase(free_notifies_, component); }

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  // Walked by index from the end, re-checking the bound, because a
  // notification may make an owned component free another one.
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (i < ComponentCount()) components_[static_cast<std::size_t>(i)]->Notification(component, operation);
}

void TComponent::ValidateRename(TComponent* component, const std::string& current_name,
                                const std::string& new_name) {
  if (component && !SameName(current_name, new_name) && component->owner_ == this &&
      FindComponent(new_name))
    throw EComponentError("A component named " + new_name + " already exists");
}

}  // namespace classlib
