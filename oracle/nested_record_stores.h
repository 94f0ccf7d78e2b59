// Record stores over object values, for a data set of their own: TRefData
// shows the object a REF leads to as one record, TTableData the elements of
// a VARRAY or nested table as records. Both are record stores of the
// data-access core, so the memory data set reads, edits and posts them as
// it does any other.
#pragma once

#include <cstdint>

#include "dacore/store_mem_data.h"

namespace oracle {

class TOraArray;
class TOraObject;
class TOraRef;

// The values a record's object, REF and XML slots hold: made for new
// records with the collection's or REF's service context and error handle.
class TOraObjectValuesStore : public dacore::TMemData {
  CLASSLIB_CLASS(TOraObjectValuesStore, dacore::TMemData)
 public:
  bool IsComplexFieldType(dacore::TDataType t) const override;
  // LOB and BFILE attributes are read and written as blobs, their values
  // the object's own LOB values.
  bool IsBlobFieldType(dacore::TDataType t) const override;
  void CreateComplexField(dacore::TRecBuf rec, const dacore::TFieldDesc& field, bool with_blob) override;

 protected:
  // The object whose session new values are allocated in.
  virtual TOraObject* SessionSource() const = 0;
};

// The object behind a REF as a single record. Its one top-level field,
// "REF", holds the REF value itself (pinned, so the object is its
// instance); the attributes are its child fields. A null REF gives no
// record. Posting the record marks the object changed and flushes it.
class TRefData : public TOraObjectValuesStore {
  CLASSLIB_CLASS(TRefData, TOraObjectValuesStore)
 public:
  TRefData() = default;
  ~TRefData() override;

  TOraRef* Ref() const { return ref_; }
  // Keeps a reference to ref (and lets the former one go).
  void SetRef(TOraRef* ref);

  // The REF's store holds the one object: adding or deleting a record is
  // refused rather than ignored, so that nobody takes it for done.
  void AppendRecord(dacore::TRecBuf rec) override;
  void InsertRecord(dacore::TRecBuf rec) override;
  void DeleteRecord() override;
  void UpdateRecord(dacore::TRecBuf rec) override;
  void Reopen() override;

 protected:
  void InternalPrepare() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFields() override;
  TOraObject* SessionSource() const override;

 private:
  TOraRef* ref_ = nullptr;
  bool pinned_ = false;  // this store pinned the REF's object
};

// The elements of a collection as records. Each record carries, after its
// null bytes, the 0-based index of its element; the record count is the
// number of records, so the deleted places of a sparse nested table count
// for nothing. Values are read from and written to the collection itself;
// object and REF elements through the element's child value.
class TTableData : public TOraObjectValuesStore {
  CLASSLIB_CLASS(TTableData, TOraObjectValuesStore)
 public:
  TTableData() = default;
  ~TTableData() override;

  TOraArray* Table() const { return table_; }
  void SetTable(TOraArray* table);

  int GetIndicatorSize() override { return GetFieldCount() + static_cast<int>(sizeof(int32_t)); }
  // The element index a record shows.
  int32_t ElementIndexOf(dacore::TRecBuf rec) const;

  void GetRecord(dacore::TRecBuf rec) override;
  void GetNextRecord(dacore::TRecBuf rec) override;
  void GetPriorRecord(dacore::TRecBuf rec) override;
  // Writes the record's values into its element; a record edited on a copy
  // of an object or REF element shows the element itself again.
  void PutRecord(dacore::TRecBuf rec) override;
  // An edited object or REF element is a copy until the record is posted,
  // so that a cancelled edit leaves the element as it was.
  void* OwnEditedValue(const dacore::TFieldDesc& field, void* value) override;
  // Appends the record of the next element; whether there was one.
  bool Fetch() override;
  void Reopen() override;

 protected:
  void InternalOpen() override;
  void InternalInitFields() override;
  void DoOnInsertRecord(dacore::TRecBuf rec) override;
  void DoOnDeleteRecord(dacore::TRecBuf rec) override;
  TOraObject* SessionSource() const override;

 private:
  dacore::TDataType ElementType() const;
  // Object and REF elements are read through the element's child value.
  bool ChildElements() const;
  TOraObject* ChildOf(int32_t index);
  void SetElementIndex(dacore::TRecBuf rec, int32_t index) const;
  // The record's values from its element, and back.
  void ReadElement(dacore::TRecBuf rec);
  void WriteElement(dacore::TRecBuf rec);

  TOraArray* table_ = nullptr;
  int32_t last_index_ = -1;  // the element fetched last
};

}  // namespace oracle
