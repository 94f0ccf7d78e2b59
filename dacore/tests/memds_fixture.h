// A memory data set over a record store filled by hand: the store's fields
// come from a list (object and array fields expanded through their types),
// rows are appended as Variants, and the data set counts the calls of its
// statement hooks and can make them fail.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "classlib/dataset.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "dacore/field_expand.h"
#include "dacore/memds_dataset.h"
#include "store_fixture.h"

namespace dacore::testing {

struct TypedField {
  TestField field;
  TObjectType* object_type = nullptr;
};

class THandStore : public TMemData {
 public:
  explicit THandStore(std::vector<TypedField> fields) : spec_(std::move(fields)) {}
  // The driver's line-end option (LF read as CR LF).
  bool connection_flag = false;
  bool GetConnectionFlag() override { return connection_flag; }

 protected:
  void InternalOpen() override { InitFields(); }
  void InternalInitFields() override {
    for (const TypedField& f : spec_) {
      AddTestFields(*this, {f.field});
      TFieldDesc* desc = Fields().GetItems(Fields().Count() - 1);
      if (f.object_type == nullptr) continue;
      desc->SetObjectType(f.object_type);
      InitObjectFields(Fields(), f.object_type, desc);
    }
  }

 private:
  std::vector<TypedField> spec_;
};

// Appends a row as fetching does (no callbacks); Null values stay null.
inline void AddRow(TMemData& store, const std::vector<classlib::Variant>& values) {
  TRecBuf rec = store.AllocRecBuf();
  std::memset(rec, 0, static_cast<size_t>(store.RecordSize()));
  store.InitRecord(rec);
  store.CreateComplexFields(rec, true);
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!classlib::VarIsNull(values[i])) store.PutFieldAsVariant(static_cast<int>(i) + 1, rec, values[i]);
  for (int no = 1; no <= store.GetFieldCount(); ++no)
    if (IsBlobDataType(store.Fields().GetItems(no - 1)->DataType())) store.GetBlob(no, rec)->Commit();
  store.InternalAppend(rec);
  TData::FreeRecBuf(rec);
}

class TTestMemDataSet : public TMemDataSet {
 public:
  explicit TTestMemDataSet(std::unique_ptr<TMemData> store) {
    store_ = store.get();
    SetIRecordSet(std::move(store));
  }
  TMemData& store() { return *store_; }

  int inserts = 0, updates = 0, deletes = 0;
  // The next n statement hooks raise EDatabaseError "statement failed".
  int fail_hooks = 0;

  using TMemDataSet::ActiveBuffer;
  using TMemDataSet::LocateRecord;

 protected:
  bool PerformInsert() override { return Run(inserts); }
  bool PerformUpdate() override { return Run(updates); }
  bool PerformDelete() override { return Run(deletes); }

 private:
  bool Run(int& counter) {
    ++counter;
    if (fail_hooks > 0) {
      --fail_hooks;
      throw classlib::EDatabaseError("statement failed");
    }
    return true;
  }
  TMemData* store_;
};

// ID, NAME, CITY, SMALL (one-byte integer), BIG (unsigned 32-bit), NOTE
// (memo), AMOUNT, TAG (heap string), ANY (Variant).
inline std::vector<TypedField> PeopleFields() {
  return {{{"ID", dtInt32, 4, 9}},       {{"NAME", dtString, 21, 20}},
          {{"CITY", dtString, 21, 20}},  {{"SMALL", dtInt8, 1}},
          {{"BIG", dtUInt32, 4}},        {{"NOTE", dtMemo, sizeof(void*)}},
          {{"AMOUNT", dtFloat, 8, 15}},  {{"TAG", dtHeapString, sizeof(void*), 10}},
          {{"ANY", dtVariant, sizeof(void*)}}};
}

// Ann/Oslo, Bob/Rome, Cid/Oslo, opened.
inline std::unique_ptr<TTestMemDataSet> OpenPeople() {
  auto store = std::make_unique<THandStore>(PeopleFields());
  store->Open();
  using classlib::Variant;
  AddRow(*store, {Variant(1), Variant("Ann"), Variant("Oslo"), Variant(-5), Variant(uint32_t{4000000000u}),
                  Variant("first note"), Variant(10.5)});
  AddRow(*store, {Variant(2), Variant("Bob"), Variant("Rome"), Variant(7), Variant(uint32_t{1}), classlib::Null(),
                  Variant(20.0)});
  AddRow(*store, {Variant(3), Variant("Cid"), Variant("Oslo"), Variant(127), Variant(uint32_t{0}),
                  Variant("third"), Variant(30.0)});
  auto data_set = std::make_unique<TTestMemDataSet>(std::move(store));
  data_set->Open();
  return data_set;
}

// The names of the rows in their order.
inline std::string Names(classlib::TDataSet& ds) {
  std::string names;
  for (ds.First(); !ds.Eof(); ds.Next()) names += ds.FieldByName("NAME")->AsString() + ";";
  return names;
}

// The message of what f raises, or "no error".
template <class F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const classlib::Exception& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace dacore::testing
