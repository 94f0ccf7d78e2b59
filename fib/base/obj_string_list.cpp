#include "fib/base/obj_string_list.h"

#include <algorithm>

namespace fib {

TObjStringList::TObjStringList(classlib::TObject* owner, bool use_hash)
    : owner_(owner), use_hash_(use_hash) {
  if (!use_hash_) {
    items_.SetSorted(true);
    items_.SetCaseSensitive(false);
    items_.SetDuplicates(classlib::dupIgnore);
  }
}

TObjStringList::~TObjStringList() {
  for (int i = 0; i < items_.Count(); ++i) delete items_.Objects(i);
}

uint32_t TObjStringList::HashOf(const std::string& name) {
  uint32_t h = 0;
  const size_t len = name.size();
  if (len < 16) {
    for (unsigned char c : name) h = h * 37 + c - 32;
  } else {
    // Long names (SQL texts) are sampled at eight points or so.
    const size_t step = len / 8;
    for (size_t i = 0; i < len; i += step) h = h * 39 + static_cast<unsigned char>(name[i]) - 32;
  }
  return h;
}

int TObjStringList::Add(const std::string& name, std::unique_ptr<classlib::TObject> obj) {
  int index = 0;
  if (Find(name, index)) {
    if (obj.get() == items_.Objects(index)) obj.release();
    return index;
  }
  if (use_hash_) {
    hashes_.insert(hashes_.begin() + index, HashOf(name));
    items_.InsertObject(index, name, obj.release());
    return index;
  }
  return items_.AddObject(name, obj.release());
}

std::unique_ptr<classlib::TObject> TObjStringList::Remove(const std::string& name) {
  int index = 0;
  if (!Find(name, index)) return nullptr;
  std::unique_ptr<classlib::TObject> obj(items_.Objects(index));
  items_.Delete(index);
  if (use_hash_) hashes_.erase(hashes_.begin() + index);
  return obj;
}

bool TObjStringList::Find(const std::string& name, int& index) const {
  if (use_hash_) return FindHashed(name, HashOf(name), index);
  return items_.Find(name, index);
}

bool TObjStringList::FindHashed(const std::string& name, uint32_t hash, int& index) const {
  auto first = std::lower_bound(hashes_.begin(), hashes_.end(), hash);
  index = static_cast<int>(first - hashes_.begin());
  for (int i = index; i < Count() && hashes_[i] == hash; ++i) {
    if (items_.Strings(i) == name) {
      index = i;
      return true;
    }
  }
  return false;
}

classlib::TObject* TObjStringList::GetObject(int index) const { return items_.Objects(index); }

std::string TObjStringList::Name(int index) const { return items_.Strings(index); }

void TObjStringList::Delete(int index) {
  std::unique_ptr<classlib::TObject> obj(items_.Objects(index));
  items_.Delete(index);
  if (use_hash_) hashes_.erase(hashes_.begin() + index);
}

}  // namespace fib
