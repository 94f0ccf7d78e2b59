// A name-keyed list of owned objects. Without hashing the names stand in a
// sorted, case-insensitive list; with hashing they stand in ascending order
// of a hash of the name and are told apart case-sensitively, so a lookup
// compares names only among entries of equal hash. The prepared-query pool
// keeps its statements here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/object.h"
#include "classlib/strings.h"

namespace fib {

class TObjStringList : public classlib::TObject {
  CLASSLIB_CLASS(TObjStringList, classlib::TObject)
 public:
  // owner is kept for whoever created the list; the list makes no use of it.
  TObjStringList(classlib::TObject* owner, bool use_hash);
  ~TObjStringList() override;  // frees every object held
  TObjStringList(const TObjStringList&) = delete;
  TObjStringList& operator=(const TObjStringList&) = delete;

  // The list takes the object. When the name is present already nothing is
  // added, the index of the present entry is returned and the offered
  // object is freed (unless it is the one held), so nothing leaks.
  int Add(const std::string& name, std::unique_ptr<classlib::TObject> obj);
  // Takes the entry of that name out of the list and hands its object back
  // (empty when the name is absent).
  std::unique_ptr<classlib::TObject> Remove(const std::string& name);
  // index receives the entry's position or where the name would go.
  bool Find(const std::string& name, int& index) const;
  classlib::TObject* GetObject(int index) const;
  std::string Name(int index) const;
  // Deletes the entry and frees its object.
  void Delete(int index);
  int Count() const { return items_.Count(); }

  bool UseHash() const { return use_hash_; }
  classlib::TObject* Owner() const { return owner_; }

  // Only equal names giving equal hashes matters.
  static uint32_t HashOf(const std::string& name);

 private:
  bool FindHashed(const std::string& name, uint32_t hash, int& index) const;

  classlib::TObject* owner_;
  bool use_hash_;
  classlib::TStringList items_;
  std::vector<uint32_t> hashes_;  // parallel to items_ when hashing
};

}  // namespace fib
