// TCollection and TCollectionItem: an owned, ordered list of items of one
// class, each with a stable ID and a settable position.
//
// Items are made by the collection's item class (Add, Insert) or by
// constructing an item with the collection. An item's constructor only
// joins the list; Add and Insert tell the collection (Notify cnAdded and
// Update) once the item is whole, so items built directly skip that news.
// Deleting an item removes it from its collection; deleting the collection
// deletes its items.
#pragma once

#include <string>
#include <vector>

#include "classlib/persistent.h"

namespace classlib {

class TCollection;

class TCollectionItem : public TPersistent {
  CLASSLIB_CLASS(TCollectionItem, TPersistent)
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return collection_; }
  // Moves the item to another collection (or out of any, with nullptr).
  void SetCollection(TCollection* collection);

  // Unique within the collection for its whole life, never reused.
  int ID() const { return id_; }
  // Position in the collection (-1 when in none); setting it moves the item.
  int Index() const;
  virtual void SetIndex(int index);

  // The text a designer shows for the item; the class name by default.
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string& name);

  TPersistent* GetOwner() const override;
  // The collection's path followed by "[index]".
  std::string GetNamePath() const override;

 protected:
  // Reports a change of this item (or, with all_items, of the order or of
  // every item) to the collection unless it is inside BeginUpdate.
  void Changed(bool all_items);

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
  int id_ = 0;
};

// What a collection makes items from: a class name and a factory.
struct TCollectionItemClass {
  const TClassInfo* info = nullptr;
  TCollectionItem* (*create)(TCollection* collection) = nullptr;

  template <class T>
  static TCollectionItemClass Of() {
    return {&T::StaticClassInfo(), [](TCollection* c) -> TCollectionItem* { return new T(c); }};
  }
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
  CLASSLIB_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(TCollectionItemClass item_class, TPersistent* owner = nullptr);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();

  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  TCollectionItem* FindItemID(int id) const;
  const TCollectionItemClass& ItemClass() const { return item_class_; }

  // Between BeginUpdate and the matching EndUpdate no Update is sent; the
  // last EndUpdate sends one Update for everything.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Copies another collection item by item (each through Assign).
  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return owner_; }

 protected:
  // An item (or, with nullptr, the collection as a whole) changed.
  virtual void Update(TCollectionItem* item);
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void MoveItem(int from, int to);
  void CheckIndex(int index) const;

  TCollectionItemClass item_class_;
  TPersistent* owner_;
  std::vector<TCollectionItem*> items_;
  int next_id_ = 0;
  int update_count_ = 0;
};

}  // namespace classlib
