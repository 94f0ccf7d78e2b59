// The nested-table data set.
#include "oracle/nested_ora_nested_table.h"

#include "classlib/field_defs.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/error_messages.h"
#include "oracle/field_bfile_stream.h"
#include "oracle/field_ora_fields.h"
#include "oracle/field_value_access.h"
#include "oracle/nested_record_stores.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_type.h"
#include "oracle/param_ora_param.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace classlib;
using dacore::TData;
using dacore::TDataType;
using dacore::TFieldDesc;
using dacore::TMemDataSet;

// Hears the parent's scrolls, changes and closing.
class TOraNestedTable::TParentLink : public TDetailDataLink {
 public:
  explicit TParentLink(TOraNestedTable& nested) : nested_(nested) {}
  TDataSet* GetDetailDataSet() const override { return &nested_; }

 protected:
  void ActiveChanged() override {
    if (!Active()) nested_.Close();
  }
  void DataSetChanged() override { nested_.ParentScroll(); }
  void DataSetScrolled(int) override { nested_.ParentScroll(); }

 private:
  TOraNestedTable& nested_;
};

TOraNestedTable::TOraNestedTable(TComponent* owner) : TMemDataSet(owner) {
  SetIRecordSet(CreateIRecordSet());
  parent_source_ = std::make_unique<TDataSource>(nullptr);
  parent_link_ = std::make_unique<TParentLink>(*this);
}

TOraNestedTable::~TOraNestedTable() {
  Destroying();
  // A destructor cannot report: what the closing could not undo goes with
  // the values it held.
  try {
    SetActive(false);
  } catch (...) {
  }
  parent_link_->SetDataSource(nullptr);
  try {
    SetDataSetField(nullptr);
  } catch (...) {
    data_set_field_ = nullptr;
  }
  try {
    DropValues();
  } catch (...) {
  }
}

std::unique_ptr<TData> TOraNestedTable::CreateIRecordSet() { return std::make_unique<TTableData>(); }

void TOraNestedTable::SetDataSetField(TDataSetField* field) {
  if (field == data_set_field_) return;
  Close();
  if (data_set_field_) {
    data_set_field_->SetNestedDataSet(nullptr);
    data_set_field_->RemoveFreeNotification(this);
  }
  data_set_field_ = field;
  parent_link_->SetDataSource(nullptr);
  parent_source_->SetDataSet(Parent());
  if (!field) {
    DropValues();
    return;
  }
  field->SetNestedDataSet(this);
  field->FreeNotification(this);
  parent_link_->SetDataSource(parent_source_.get());
}

void TOraNestedTable::Notification(TComponent* component, TOperation operation) {
  TMemDataSet::Notification(component, operation);
  if (operation == opRemove && component == data_set_field_) {
    // The parent's fields went with its closing: nothing is left to follow.
    data_set_field_ = nullptr;
    parent_link_->SetDataSource(nullptr);
    parent_source_->SetDataSet(nullptr);
  }
}

bool TOraNestedTable::ParentIsTable() const {
  return data_set_field_ ? data_set_field_->DataType() == ftDataSet : table_ != nullptr;
}

// ---- The value shown ------------------------------------------------------------------

void TOraNestedTable::Install(TOraObject* value) {
  auto* table = dynamic_cast<TOraArray*>(value);
  auto* ref = dynamic_cast<TOraRef*>(value);
  if (table) table->AddRef();
  if (ref) ref->AddRef();
  DropValues();
  table_ = table;
  ref_ = ref;
  seen_replacements_ = value ? value->Replacements() : 0;
  if (ref_) {
    if (!dynamic_cast<TRefData*>(RecordSet())) SetIRecordSet(std::make_unique<TRefData>());
    static_cast<TRefData*>(RecordSet())->SetRef(ref_);
  } else {
    if (!dynamic_cast<TTableData*>(RecordSet())) SetIRecordSet(std::make_unique<TTableData>());
    static_cast<TTableData*>(RecordSet())->SetTable(table_);
  }
  if (auto* parent = dynamic_cast<TMemDataSet*>(Parent()); parent && parent->RecordSet())
    RecordSet()->SetTrimFixedChars(parent->RecordSet()->TrimFixedChars());
  FieldDefs().SetUpdated(false);
}

void TOraNestedTable::DropValues() {
  DropRefCopy();
  if (auto* store = dynamic_cast<TTableData*>(RecordSet())) store->SetTable(nullptr);
  if (auto* store = dynamic_cast<TRefData*>(RecordSet())) store->SetRef(nullptr);
  dacore::ReleaseShared(table_);
  dacore::ReleaseShared(ref_);
  table_ = nullptr;
  ref_ = nullptr;
}

TOraObject* TOraNestedTable::ParentValue() {
  auto* parent = dynamic_cast<TMemDataSet*>(Parent());
  if (!parent || !parent->Active()) return nullptr;
  return static_cast<TOraObject*>(parent->GetFieldObject(data_set_field_));
}

void TOraNestedTable::SetTable(TOraArray* table) {
  if (table && table == table_) {
    if (!data_set_field_ && Active()) Refresh();
    return;
  }
  const bool was_active = Active();
  Close();
  Install(table);
  if (was_active) Open();
}

void TOraNestedTable::SetRef(TOraRef* ref) {
  if (ref && ref == ref_) {
    if (!data_set_field_ && Active()) Refresh();
    return;
  }
  const bool was_active = Active();
  Close();
  Install(ref);
  if (was_active) Open();
}

// ---- Open and close -------------------------------------------------------------------

void TOraNestedTable::OpenCursor(bool info_query) {
  if (data_set_field_) {
    TDataSet* parent = Parent();
    if (!parent->Active()) parent->Open();
    const TFieldType type = data_set_field_->DataType();
    if (type != ftADT && type != ftArray && type != ftDataSet && type != ftReference)
      DatabaseError(messages::kFieldNotObject, this);
    TOraObject* value = ParentValue();
    if (value) {
      Install(value);
    } else {
      // The record holds no value yet: an empty one of the column's type.
      TFieldDesc* desc = static_cast<TMemDataSet*>(parent)->GetFieldDesc(data_set_field_);
      auto* object_type = desc ? static_cast<TOraType*>(desc->ObjectType()) : nullptr;
      TOraObject* empty = ParentIsTable() ? static_cast<TOraObject*>(new TOraNestTable(object_type))
                                          : static_cast<TOraObject*>(new TOraRef(object_type));
      Install(empty);
      empty->Release();
    }
  } else if (!table_ && !ref_) {
    DatabaseError(messages::kMissingDataSetField, this);
  }
  TMemDataSet::OpenCursor(info_query);
}

void TOraNestedTable::CloseCursor() {
  TMemDataSet::CloseCursor();
  if (data_set_field_) DropValues();
}

void TOraNestedTable::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deParentScroll) ParentScroll();
  TMemDataSet::DataEvent(event, info);
}

void TOraNestedTable::ParentScroll() {
  if (!data_set_field_ || updating_parent_ || !Active()) return;
  TOraObject* value = ParentValue();
  // The same value replaced in place (a refresh, a notification, a read
  // after an update) shows other contents: they are read again.
  const bool same = value && (value == table_ || value == ref_);
  if (same && value->Replacements() == seen_replacements_) return;
  Close();
  Open();
}

// ---- Changes --------------------------------------------------------------------------

bool TOraNestedTable::GetCanModify() const {
  if (!data_set_field_) return table_ != nullptr || ref_ != nullptr;
  if (!ParentIsTable()) return false;
  return Parent()->CanModify();
}

void TOraNestedTable::Post() {
  TMemDataSet::Post();
  NotifyParent();
}

void TOraNestedTable::DoAfterDelete() {
  TMemDataSet::DoAfterDelete();
  NotifyParent();
}

void TOraNestedTable::Cancel() {
  TMemDataSet::Cancel();
  if (!data_set_field_ || !ParentIsTable()) return;
  TDataSet* parent = Parent();
  const bool unchanged_edit = began_parent_edit_ && parent->State() == dsEdit && !parent->Modified();
  began_parent_edit_ = false;
  if (parent->State() == dsInsert || unchanged_edit) parent->Cancel();
}

void TOraNestedTable::DoBeforeEdit() {
  EditParent();
  TMemDataSet::DoBeforeEdit();
}

void TOraNestedTable::DoBeforeInsert() {
  EditParent();
  TMemDataSet::DoBeforeInsert();
}

void TOraNestedTable::DoBeforeDelete() {
  EditParent();
  TMemDataSet::DoBeforeDelete();
}

// The row's collection itself is never changed: the parent's edit record
// holds a copy of it, which the parent's post keeps, its cancel drops and
// its cached update keeps beside the row's earlier value.
void TOraNestedTable::EditParent() {
  if (!data_set_field_ || !ParentIsTable()) return;
  TDataSet* parent = Parent();
  if (parent->State() == dsBrowse) {
    updating_parent_ = true;
    try {
      parent->Edit();
    } catch (...) {
      updating_parent_ = false;
      throw;
    }
    updating_parent_ = false;
    began_parent_edit_ = parent->State() == dsEdit;
  }
  FollowParentValue();
}

void TOraNestedTable::FollowParentValue() {
  TOraObject* value = ParentValue();
  if (!value || value == table_ || value == ref_) return;
  const int record_no = RecNo();
  Close();
  Open();
  if (record_no > 0 && record_no <= RecordCount()) SetRecNo(record_no);
}

void TOraNestedTable::InternalEdit() {
  TMemDataSet::InternalEdit();
  DropRefCopy();
  if (!ref_ || !ref_->GetInstance()) return;
  auto* copy = new TOraObject(ref_->GetOraType());
  try {
    copy->SetOCISvcCtx(ref_->GetOCISvcCtx());
    copy->AllocObject();
    copy->TOraObject::Assign(*ref_);
  } catch (...) {
    copy->Release();
    throw;
  }
  ref_before_edit_ = copy;
}

void TOraNestedTable::InternalPost() {
  TMemDataSet::InternalPost();
  DropRefCopy();
}

void TOraNestedTable::InternalCancel() {
  if (ref_before_edit_ && ref_ && ref_->GetInstance()) {
    ref_->TOraObject::Assign(*ref_before_edit_);
    ref_->SetModified(false);
    seen_replacements_ = ref_->Replacements();  // our own undo, shown already
  }
  DropRefCopy();
  TMemDataSet::InternalCancel();
}

void TOraNestedTable::DropRefCopy() {
  dacore::ReleaseShared(ref_before_edit_);
  ref_before_edit_ = nullptr;
}

void TOraNestedTable::NotifyParent() {
  if (!data_set_field_) return;
  began_parent_edit_ = false;
  if (auto* field = dynamic_cast<TOraDataSetField*>(data_set_field_)) field->SetModified(true);
  if (auto* field = dynamic_cast<TOraReferenceField*>(data_set_field_)) field->SetModified(true);
  TDataSet* parent = Parent();
  if (!parent->CanModify()) return;
  updating_parent_ = true;
  try {
    if (parent->State() == dsBrowse) parent->Edit();
    // The same value written back marks the column changed in the record.
    ChangeFieldValue(*data_set_field_, [](void*) { return false; });
  } catch (...) {
    updating_parent_ = false;
    throw;
  }
  updating_parent_ = false;
  FollowParentValue();
}

// ---- Field classes and streams --------------------------------------------------------

TFieldType TOraNestedTable::GetFieldType(TDataType data_type) {
  if (data_type == dtXML) return ftXML;
  if (data_type >= 100) return OraDataTypeToFieldType(data_type);
  return TMemDataSet::GetFieldType(data_type);
}

TFieldType TOraNestedTable::GetFieldTypeOfDesc(const TFieldDesc& desc) {
  if (IsNestedTableDesc(desc)) return ftDataSet;
  return TMemDataSet::GetFieldTypeOfDesc(desc);
}

TField* TOraNestedTable::CreateFieldOfType(TFieldType type, TComponent* owner) {
  if (TField* field = CreateOraField(type, owner)) return field;
  return TMemDataSet::CreateFieldOfType(type, owner);
}

std::unique_ptr<TStream> TOraNestedTable::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  if (field && field->DataType() == ftBFile) return CreateBFileStream(*this, field, mode);
  return TMemDataSet::CreateBlobStream(field, mode);
}

// ---- Utility routines -----------------------------------------------------------------

std::string GetRowId(TComponent* component) {
  dacore::TCRCommand* command = nullptr;
  if (auto* data_set = dynamic_cast<TOraDataSet*>(component)) command = data_set->Command().ICommand();
  else if (auto* sql = dynamic_cast<TOraSQL*>(component)) command = sql->ICommand();
  else Assert(false, __FILE__, __LINE__, "Unknown class " + (component ? component->ClassName() : std::string("nil")));
  auto* oci = dynamic_cast<TOCICommand*>(command);
  if (!oci) return std::string();
  // The text the command kept when the statement ran, else the statement's.
  return oci->RowId().empty() ? oci->RowIdToString() : oci->RowId();
}

TOCIConnection* GetIConnection(TOraSession* session) { return session ? session->OCIConnection() : nullptr; }

}  // namespace oracle
