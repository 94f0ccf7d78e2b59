// TInterfaceList: a list of counted interface references, guarded for use
// from several threads. Each slot holds one reference; removing or
// overwriting a slot drops it, and the list drops all of them when it goes.
#pragma once

#include <vector>

#include "classlib/interfaced.h"
#include "classlib/syncobjs.h"

namespace classlib {

class TInterfaceList : public TInterfacedObject {
  CLASSLIB_CLASS(TInterfaceList, TInterfacedObject)
 public:
  using Item = Intf<IInterface>;

  int Add(const Item& item);
  void Insert(int index, const Item& item);
  void Delete(int index);
  // Removes the first slot holding item; answers its index or -1.
  int Remove(const Item& item);
  int IndexOf(const Item& item) const;
  void Exchange(int index1, int index2);
  void Clear();

  int Count() const;
  Item Items(int index) const;
  void SetItems(int index, const Item& item);
  Item First() const { return Items(0); }
  Item Last() const { return Items(Count() - 1); }

  // Holds the list's lock across several calls.
  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }

 private:
  void CheckIndex(int index, int limit) const;

  mutable TCriticalSection lock_;
  std::vector<Item> items_;
};

}  // namespace classlib
