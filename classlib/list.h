// Lists of untyped pointers: TList, the growable array that many of the
// libraries' own lists derive from, and TThreadList, the same list behind a
// lock for lists that several threads share.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "classlib/object.h"

namespace classlib {

// What a sorted or locked list does when an item is already present.
enum TDuplicates { dupIgnore, dupAccept, dupError };

// What happened to an item; derived lists that own their items react in Notify.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// <0, 0 or >0 as item1 sorts before, with or after item2.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
  CLASSLIB_CLASS(TList, TObject)
 public:
  TList() = default;
  // Lists whose Notify frees items must Clear in their own destructor: by
  // the time this one runs, their Notify is gone.
  ~TList() override = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;

  // Adding and removing. Nil items are allowed and are kept until Pack.
  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  virtual void Clear();
  // Removes the first occurrence and returns its index (-1 when absent).
  int Remove(void* item);
  // Removes the first occurrence without the deleting notification and
  // returns it (nullptr when absent).
  void* Extract(void* item);
  // Drops every nil slot.
  void Pack();

  // Access.
  int Count() const { return static_cast<int>(items_.size()); }
  // Growing fills the new slots with nil; shrinking deletes from the end.
  void SetCount(int count);
  int Capacity() const { return capacity_; }
  void SetCapacity(int capacity);
  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }
  int IndexOf(const void* item) const;

  // Order.
  void Exchange(int index1, int index2);
  void Move(int cur_index, int new_index);
  // A stable sort: items that compare equal keep their order.
  void Sort(const TListSortCompare& compare);

 protected:
  virtual void Notify(void* /*item*/, TListNotification /*action*/) {}
  // Raises EListError "<message> (<data>)".
  [[noreturn]] static void Error(const char* message, int data);

 private:
  void CheckIndex(int index) const;
  void Grow();

  std::vector<void*> items_;
  int capacity_ = 0;
};

// A TList guarded by a recursive lock. Add and Remove take the lock
// themselves; anything else goes through LockList ... UnlockList.
class TThreadList : public TObject {
  CLASSLIB_CLASS(TThreadList, TObject)
 public:
  TThreadList() = default;
  ~TThreadList() override = default;
  TThreadList(const TThreadList&) = delete;
  TThreadList& operator=(const TThreadList&) = delete;

  // Adds unless the item is present and Duplicates says otherwise
  // (dupError raises EListError "Duplicates not allowed").
  void Add(void* item);
  void Remove(void* item);
  void Clear();

  // Locks the list and hands it out; every LockList needs one UnlockList.
  TList* LockList();
  void UnlockList();

  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

 private:
  std::recursive_mutex lock_;
  TList list_;
  TDuplicates duplicates_ = dupIgnore;
};

}  // namespace classlib
