// The item's description, buffers, NULL state, blob stream, the spreading of
// a value to parameters of the same name, and Assign.
#include "fib/statements/xsqlvar.h"

#include <algorithm>
#include <cstring>

#include "fib/base/errors.h"
#include "fib/base/sql_types.h"
#include "fib/statements/xsqlda.h"
#include "fib/statements/xsqlda_owner.h"
#include "fib/statements/xsqlvar_blob.h"

namespace fib {

namespace {

bool IsKnownType(int type) {
  switch (type) {
    case kSQLVarying: case kSQLText: case kSQLDouble: case kSQLFloat: case kSQLLong:
    case kSQLShort: case kSQLTimeStamp: case kSQLBlob: case kSQLDFloat: case kSQLArray:
    case kSQLQuad: case kSQLTime: case kSQLDate: case kSQLInt64: case kSQLBoolean:
    case kSQLFBBoolean: case kSQLNull:
      return true;
    default:
      return false;
  }
}

std::string NameText(const char* name, short length) {
  return std::string(name, std::clamp<int>(length, 0, 32));
}

}  // namespace

TFIBXSQLVAR::TFIBXSQLVAR(TFIBXSQLDA* parent, int index)
    : parent_(parent),
      owner_(parent->Owner()),
      index_(index),
      parent_naming_(&parent->Naming()),
      row_state_(&parent->RowState()) {}

TFIBXSQLVAR::~TFIBXSQLVAR() = default;

std::string TFIBXSQLVAR::SQLName() const { return NameText(var_->sqlname, var_->sqlname_length); }
std::string TFIBXSQLVAR::RelationName() const {
  return NameText(var_->relname, var_->relname_length);
}
std::string TFIBXSQLVAR::OwnerName() const { return NameText(var_->ownname, var_->ownname_length); }
std::string TFIBXSQLVAR::AliasName() const {
  return NameText(var_->aliasname, var_->aliasname_length);
}

void TFIBXSQLVAR::SetName(std::string name) {
  name_ = std::move(name);
  is_db_key_ = name_ == "DB_KEY" || name_ == "RDB$DB_KEY";
}

void TFIBXSQLVAR::SetMacro(bool is_macro, bool quoted) {
  is_macro_ = is_macro;
  is_quoted_macro_ = is_macro && quoted;
}

void TFIBXSQLVAR::SetMarkerPosition(int start, int end) {
  marker_start_ = start;
  marker_end_ = end;
}

// ---- buffers ---------------------------------------------------------------

void TFIBXSQLVAR::Bind(XSQLVAR* var) {
  var_ = var;
  if (!data_.empty()) var_->sqldata = data_.data();
  if (var_->sqlind != nullptr) var_->sqlind = &indicator_;
}

// The item starts again with no value and no description: an item that
// stands for another marker of a new text must not take a value in the
// type the server described for the marker it stood for before.
void TFIBXSQLVAR::ReleaseBuffers() {
  data_.clear();
  data_.shrink_to_fit();
  stream_.reset();
  modified_ = false;
  described_ = {};
  kept_ = {};
  if (var_ == nullptr) return;
  var_->sqldata = nullptr;
  var_->sqlind = nullptr;
  var_->sqltype = 0;
  var_->sqlscale = 0;
  var_->sqlsubtype = 0;
  var_->sqllen = 0;
}

void TFIBXSQLVAR::InitializeDescribed(bool keep_value) {
  int type = SQLType();
  if (type != 0 && !IsKnownType(type)) RaiseClientError(30, {type});
  described_ = {static_cast<short>(type), var_->sqlscale, var_->sqlsubtype, var_->sqllen};
  if (keep_value && !data_.empty()) {
    // The describe overwrote the item's record; the value written before
    // still says what its buffer holds.
    var_->sqltype = static_cast<short>(kept_.type | (var_->sqltype & 1));
    var_->sqllen = kept_.length;
    var_->sqlscale = kept_.scale;
    var_->sqlsubtype = kept_.subtype;
    var_->sqldata = data_.data();
    var_->sqlind = (var_->sqltype & 1) ? &indicator_ : nullptr;
    return;
  }
  size_t length = std::max<int>(var_->sqllen, 0);
  if (type == kSQLVarying) length += 2;
  // Every item gets a buffer, so the client never meets a null data
  // pointer (SQL_NULL and empty CHAR items describe no length).
  data_.assign(std::max<size_t>(length, 1), 0);
  var_->sqldata = data_.data();
  indicator_ = 0;
  var_->sqlind = IsNullable() ? &indicator_ : nullptr;
  modified_ = false;
}

// ---- NULL --------------------------------------------------------------------

bool TFIBXSQLVAR::IsNullOutsideRow() const {
  if (stream_) return false;
  if (!parent_->HoldsRow()) return true;
  return SQLType() == 0 || NullIndicated();
}

void TFIBXSQLVAR::StoreNull(bool null) {
  if (null) {
    if (SQLType() == 0) {
      Prepare(kSQLText, 0, 0);
    }
    // The client reads the indicator only of a nullable type.
    var_->sqltype |= 1;
    var_->sqlind = &indicator_;
    indicator_ = -1;
    stream_.reset();
  } else if (var_->sqlind != nullptr) {
    indicator_ = 0;
  }
  modified_ = true;
}

void TFIBXSQLVAR::SetIsNull(bool null) {
  ForEachNamesake([null](TFIBXSQLVAR& item) { item.StoreNull(null); });
}

// ---- blob stream -------------------------------------------------------------

void TFIBXSQLVAR::LoadFromStream(classlib::TStream& source) {
  std::string contents;
  source.SetPosition(0);
  contents.resize(static_cast<size_t>(source.Size()));
  if (!contents.empty()) source.Read(contents.data(), static_cast<int>(contents.size()));
  ForEachNamesake([&contents](TFIBXSQLVAR& item) { item.HoldAsStream(contents); });
}

void TFIBXSQLVAR::HoldAsStream(std::string_view contents) {
  Prepare(kSQLBlob, sizeof(ISC_QUAD), 0);
  stream_ = std::make_unique<classlib::TMemoryStream>();
  stream_->Write(contents.data(), static_cast<int>(contents.size()));
  stream_->SetPosition(0);
  parent_->StreamLoaded();
}

void TFIBXSQLVAR::SaveStreamToBlob() {
  if (!stream_) return;
  TXSQLOwner* owner = Owner();
  if (owner == nullptr || owner->ClientLibrary() == nullptr) RaiseClientError(2);
  std::string contents(stream_->Memory(), static_cast<size_t>(stream_->Size()));
  ISC_QUAD id =
      CreateBlob(*owner->ClientLibrary(), owner->DBHandle(), owner->TRHandle(), contents, owner);
  stream_.reset();
  StoreFixed(kSQLBlob, 0, id);
}

void TFIBXSQLVAR::ReleaseStream() { stream_.reset(); }

// ---- spreading a value -------------------------------------------------------

const std::vector<TFIBXSQLVAR*>& TFIBXSQLVAR::Namesakes() {
  if (!parent_->HoldsParams() || name_.empty()) {
    namesakes_.clear();
    namesakes_naming_ = parent_->Naming();
    return namesakes_;
  }
  if (namesakes_naming_ == parent_->Naming()) return namesakes_;
  namesakes_.clear();
  std::vector<TFIBXSQLVAR*> named = parent_->ItemsNamed(name_);
  if (named.size() > 1)
    for (TFIBXSQLVAR* item : named)
      if (item != this) namesakes_.push_back(item);
  namesakes_naming_ = parent_->Naming();
  return namesakes_;
}

void TFIBXSQLVAR::StoreInNamesakes(StoreCall call, const void* callable) {
  for (TFIBXSQLVAR* item : Namesakes()) {
    call(callable, *item);
    if (item->is_macro_) item->AfterStore();
  }
}

void TFIBXSQLVAR::AfterStore() {
  if (!is_macro_) return;
  TXSQLOwner* owner = Owner();
  if (owner != nullptr && classlib::VarToStr(macro_previous_) != AsString())
    owner->MacroValueChanged();
}

// ---- Assign ------------------------------------------------------------------

// Blob values cannot travel as variants: their contents are copied instead,
// into a new blob when the target is one and as text otherwise. Array ids
// belong to their own column and are never copied.
void TFIBXSQLVAR::Assign(const TFIBXSQLVAR& source) {
  if (source.IsNull()) {
    SetIsNull(true);
    return;
  }
  int source_type = source.SQLType();
  int target_type = described_.type != 0 ? described_.type : SQLType();
  if (source_type == kSQLArray || target_type == kSQLArray) return;
  if (source_type != kSQLBlob && target_type != kSQLBlob) {
    SetAsVariant(source.AsVariant());
    return;
  }
  std::string contents = source.AsString();
  if (target_type != kSQLBlob) {
    SetAsString(contents);
    return;
  }
  TXSQLOwner* owner = Owner();
  if (owner == nullptr || owner->ClientLibrary() == nullptr) {
    classlib::TMemoryStream stream;
    stream.Write(contents.data(), static_cast<int>(contents.size()));
    LoadFromStream(stream);
    return;
  }
  SetAsQuad(CreateBlob(*owner->ClientLibrary(), owner->DBHandle(), owner->TRHandle(), contents, owner));
}

}  // namespace fib
