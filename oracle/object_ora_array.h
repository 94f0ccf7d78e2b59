// Collection values: TOraArray (a VARRAY, and the base of nested tables)
// and TOraNestTable. The instance is the object cache's collection; its
// elements are addressed by the call interface's 0-based index, the same
// number an attribute path's selector carries (PHONES[2] is ItemAs...(2)).
// Element reads of missing or null elements give 0, empty text or date 0;
// element writes grow the collection with null elements up to the index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "oracle/object_ora_object.h"

namespace oracle {

class TOraRef;

class TOraArray : public TOraObject {
  CLASSLIB_CLASS(TOraArray, TOraObject)
 public:
  explicit TOraArray(TOraType* object_type = nullptr);

  void CheckType() override;
  void Assign(TOraObject& source) override;

  // Elements the collection holds (a nested table: those not deleted).
  virtual int32_t GetSize();
  // Trims from the end or appends null elements until there are `size`.
  void SetSize(int32_t size);
  // Grows the collection to index + 1 elements when index is past its end.
  void CheckIndex(int32_t index);
  // Appends one null element; answers the new size.
  int32_t AppendItem();
  // The element's data type (the type's attribute "ELEMENT").
  int GetItemType();

  bool ItemIsNull(int32_t index);
  void SetItemIsNull(int32_t index, bool value);
  std::string ItemAsString(int32_t index);
  void SetItemAsString(int32_t index, const std::string& value);
  int32_t ItemAsInteger(int32_t index);
  void SetItemAsInteger(int32_t index, int32_t value);
  int64_t ItemAsLargeInt(int32_t index);
  void SetItemAsLargeInt(int32_t index, int64_t value);
  double ItemAsFloat(int32_t index);
  void SetItemAsFloat(int32_t index, double value);
  classlib::TDateTime ItemAsDateTime(int32_t index);
  void SetItemAsDateTime(int32_t index, classlib::TDateTime value);
  // Child values over object and reference elements, made on first use.
  TOraObject* ItemAsObject(int32_t index);
  TOraRef* ItemAsRef(int32_t index);
  void SetItemAsObject(int32_t index, TOraObject& value);
  // The LOB attributes of the object elements whose values were asked for.
  void WriteLobs() override;
  // The object elements' LOB attributes, into the same elements of
  // `target` (a collection copied from this one) where they exist; the
  // values `target` keeps over other elements show what those hold.
  void CopyLobsTo(TOraObject& target) override;
  void ResetLobs() override;

  void FreeObject(bool free_child = true) override;

 protected:
  ~TOraArray() override;
  OCIColl* Collection() { return static_cast<OCIColl*>(GetInstance()); }
  // The element at index (nil when missing) and its indicator.
  void* Element(int32_t index, OCIInd** indicator);
  // Assigns a value of the element's native form with a not-null indicator
  // and marks the collection present.
  void AssignElement(int32_t index, const void* value, const void* indicator = nullptr);
  // Points every element value kept at its element again (the elements
  // were replaced); one whose element went holds nothing.
  void RepointItems();

 private:
  void CheckItemType(int type, const char* target);
  void CheckNumberItem(const char* target);
  // The element's NUMBER, nil when it is missing or null.
  const OCINumber* NumberItem(int32_t index, const char* target);
  void SetNumberItem(int32_t index, const OCINumber& number);
  // The child value kept for an element, pointed at the element.
  TOraObject*& ItemSlot(int32_t index);
  void ReleaseItems();
  std::vector<TOraObject*> items_;  // child values by element index
};

class TOraNestTable : public TOraArray {
  CLASSLIB_CLASS(TOraNestTable, TOraArray)
 public:
  explicit TOraNestTable(TOraType* object_type = nullptr);

  void CheckType() override;
  void Assign(TOraObject& source) override;
  int32_t GetSize() override;
  // Deletes the element at the 0-based index; the others keep theirs.
  void DeleteItem(int32_t index);

 protected:
  ~TOraNestTable() override = default;
};

// Copies every nested table reached through an instance of `type` element
// by element from `source` into `target` (embedded objects and object
// elements are descended into).
void CopyNestedTables(OCIEnv* env, OCIError* error, const TOraType& type, void* source, void* target);

// Appends one null element of the element's type (string, number, date or
// object); shared by element writes of paths and of collection values.
void AppendNullElement(OCIEnv* env, OCIError* error, OCISvcCtx* svc_ctx, OCIColl* collection,
                       const dacore::TAttribute& element);

}  // namespace oracle
