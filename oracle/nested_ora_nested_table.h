// TOraNestedTable: a data set over the contents of one object column of a
// parent data set, a nested table (its elements become rows) or a REF (the
// object it leads to becomes the one row). With DataSetField set it follows
// its parent: every scroll of the parent shows the current record's value,
// and a row posted or deleted here puts the parent into edit with the
// column changed. Without DataSetField it shows the value given through
// SetTable or SetRef, and can be changed (a REF's record edited only).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/data_link.h"
#include "classlib/field_misc.h"
#include "dacore/memds_dataset.h"

namespace oracle {

class TOraArray;
class TOraObject;
class TOraRef;

class TOraNestedTable : public dacore::TMemDataSet {
  CLASSLIB_CLASS(TOraNestedTable, dacore::TMemDataSet)
 public:
  explicit TOraNestedTable(classlib::TComponent* owner = nullptr);
  ~TOraNestedTable() override;

  classlib::TDataSetField* DataSetField() const { return data_set_field_; }
  void SetDataSetField(classlib::TDataSetField* field);

  // The collection shown: a nested table, or a VARRAY.
  TOraArray* Table() const { return table_; }
  // A different value closes the data set, shows the new one and reopens
  // it when it was open; the same value again refreshes an open data set
  // that has no DataSetField.
  void SetTable(TOraArray* table);
  TOraRef* Ref() const { return ref_; }
  void SetRef(TOraRef* ref);

  void Post() override;
  void Cancel() override;
  std::unique_ptr<classlib::TStream> CreateBlobStream(classlib::TField* field,
                                                      classlib::TBlobStreamMode mode) override;

 protected:
  std::unique_ptr<dacore::TData> CreateIRecordSet() override;
  void OpenCursor(bool info_query) override;
  void CloseCursor() override;
  bool GetCanModify() const override;
  void DoAfterDelete() override;
  classlib::TFieldType GetFieldType(dacore::TDataType data_type) override;
  classlib::TFieldType GetFieldTypeOfDesc(const dacore::TFieldDesc& desc) override;
  classlib::TField* CreateFieldOfType(classlib::TFieldType type, classlib::TComponent* owner) override;
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  // A change begins with the parent in edit and this data set over the
  // parent's edited copy of the column, so that the parent's Cancel and
  // CancelUpdates take the change back with the rest of the record.
  void DoBeforeEdit() override;
  void DoBeforeInsert() override;
  void DoBeforeDelete() override;
  // The object behind a REF is edited in the object cache itself: an edit
  // keeps a copy of it that a cancel writes back.
  void InternalEdit() override;
  void InternalPost() override;
  void InternalCancel() override;
  // deParentScroll: the parent's current record changed (it opened again).
  void DataEvent(classlib::TDataEvent event, intptr_t info) override;

 private:
  class TParentLink;

  // Whether the parent column is a nested table (else a REF).
  bool ParentIsTable() const;
  classlib::TDataSet* Parent() const { return data_set_field_ ? data_set_field_->DataSet() : nullptr; }
  // The value of the parent column in the parent's active record; an empty
  // one of the column's type when the record has none.
  TOraObject* ParentValue();
  // Shows value (a nested table or REF) without opening or closing.
  void Install(TOraObject* value);
  void DropValues();
  void DropRefCopy();
  // Follows the parent's current record (the parent scrolled or changed).
  void ParentScroll();
  // The parent learns that the column changed.
  void NotifyParent();
  // Puts the parent into edit before a change of the column, and this data
  // set over the parent's record value.
  void EditParent();
  // Shows the parent's current value when it is another object, at the
  // same record number.
  void FollowParentValue();

  classlib::TDataSetField* data_set_field_ = nullptr;
  std::unique_ptr<classlib::TDataSource> parent_source_;
  std::unique_ptr<TParentLink> parent_link_;
  TOraArray* table_ = nullptr;
  TOraRef* ref_ = nullptr;
  // The value's count of replacements when it was shown.
  uint32_t seen_replacements_ = 0;
  // The REF's object as it was when the running edit began.
  TOraObject* ref_before_edit_ = nullptr;
  // Set while this data set changes the parent itself.
  bool updating_parent_ = false;
  // Set while the parent is in an edit that this data set began and no
  // change of it was posted yet: cancelling here cancels that edit too.
  bool began_parent_edit_ = false;
};

class TOCIConnection;
class TOraSession;

// The ROWID text of the last statement of a TOraDataSet or TOraSQL (as the
// command kept it when the statement ran, else asked of the statement);
// any other component is an assertion failure naming its class.
std::string GetRowId(classlib::TComponent* component);
// The driver connection a session works through.
TOCIConnection* GetIConnection(TOraSession* session);

}  // namespace oracle
