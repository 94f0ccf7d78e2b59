// TComponent: the owned, named building block of the class library.
//
// Ownership. A component created with an owner is freed by that owner. A
// component is destroyed with plain `delete`, owned or not: its destructor
// first marks it csDestroying and tells every free-notification subscriber
// (Notification(this, opRemove)), then deletes the components it owns (last
// first), and finally leaves its owner's list, whose Notification(this,
// opRemove) reaches the owner and all the owner's other components.
// A derived destructor runs before all that, so a subscriber that hears of a
// removal must only compare the pointer, never call into the dying component.
//
// Names. A name is empty or an identifier (letter or "_", then letters,
// digits, "_"); among the components of one owner names are unique,
// compared case-insensitively.
//
// Loading. BeginLoading/EndLoading stand in for reading a component tree
// from a stored form: between them the root and everything it owns carry
// csLoading and csReading, and EndLoading calls Loaded once on each of them,
// owners before what they own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "classlib/enum_set.h"
#include "classlib/persistent.h"

namespace classlib {

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance,
};
using TComponentState = EnumSet<TComponentStateFlag>;

class TComponent : public TPersistent {
  CLASSLIB_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Owner and name
  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& name);

  // Owned components, in insertion order
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  TComponent* FindComponent(std::string_view name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();

  // State
  TComponentState ComponentState() const { return state_; }
  void SetDesigning(bool designing, bool set_children = true);
  // Marks the component (not what it owns) as being destroyed; idempotent.
  // A derived destructor may call it first so its own setters see the state.
  void Destroying();

  // Loading from a stored form
  void BeginLoading();
  void EndLoading();

  // Subscribes this component to the destruction of `component` (and the
  // other way round, as the platform does): each hears Notification(other,
  // opRemove) when the other goes away. Components of the same owner hear of
  // each other through the owner already and need no subscription.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  TPersistent* GetOwner() const override { return owner_; }
  std::string GetNamePath() const override { return name_; }

 protected:
  // Called after a component was inserted into or is being removed from the
  // tree this component can see (its own components, its owner's, or a
  // free-notification partner). Overrides clear their references to a
  // removed component and call the inherited one, which passes the news on
  // to the owned components.
  virtual void Notification(TComponent* component, TOperation operation);

  // Called once when loading ends; the inherited one clears csLoading.
  virtual void Loaded();

  // Refuses a new name that another component of this owner already has.
  virtual void ValidateRename(TComponent* component, const std::string& current_name,
                              const std::string& new_name);

 private:
  void MarkLoading(bool loading);
  TComponent* NextPendingLoad();
  void AddFreeNotify(TComponent* component);
  void DropFreeNotify(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  TComponentState state_;
  bool load_pending_ = false;
};

// Whether name may be the name of a component (empty names are not).
bool IsValidIdent(std::string_view name);

}  // namespace classlib
