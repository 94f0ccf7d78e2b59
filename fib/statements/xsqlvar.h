// TFIBXSQLVAR: one column or parameter of a prepared statement. It owns the
// data buffer and null indicator its XSQLVAR points to, reads the value by
// the described SQL type and, for parameters, gives the item the type the
// written value needs.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/currency.h"
#include "classlib/datetime.h"
#include "classlib/guid.h"
#include "classlib/object.h"
#include "classlib/stream.h"
#include "classlib/variant.h"
#include "fib/base/numeric_helpers.h"
#include "fib/base/sql_types.h"

namespace fib {

class TFIBXSQLDA;
class TXSQLOwner;

// Whether a vector's result columns hold a row; the vector keeps it, its
// items read it.
enum class TRowState : unsigned char { kUnknown, kNoRow, kRow };

class TFIBXSQLVAR : public classlib::TObject {
  CLASSLIB_CLASS(TFIBXSQLVAR, classlib::TObject)
 public:
  TFIBXSQLVAR(TFIBXSQLDA* parent, int index);
  ~TFIBXSQLVAR() override;
  TFIBXSQLVAR(const TFIBXSQLVAR&) = delete;
  TFIBXSQLVAR& operator=(const TFIBXSQLVAR&) = delete;

  // ---- identity and description ----
  TFIBXSQLDA* Parent() const { return parent_; }
  // The parent's owner, which never changes.
  TXSQLOwner* Owner() const { return owner_; }
  int Index() const { return index_; }
  const std::string& Name() const { return name_; }
  XSQLVAR* Data() const { return var_; }
  int SQLType() const { return var_->sqltype & ~1; }
  // The type the server described, kept while written values change the
  // item's own type.
  int DescribedType() const { return described_.type; }
  int DescribedScale() const { return described_.scale; }
  int DescribedSubtype() const { return described_.subtype; }
  int DescribedLength() const { return described_.length; }
  int SQLScale() const { return var_->sqlscale; }
  int SQLSubtype() const { return var_->sqlsubtype; }
  int Size() const { return var_->sqllen; }
  bool IsNullable() const { return (var_->sqltype & 1) != 0; }
  std::string SQLName() const;
  std::string RelationName() const;
  std::string OwnerName() const;
  std::string AliasName() const;

  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // ---- macros and markers of the statement's SQL text ----
  bool IsMacro() const { return is_macro_; }
  bool IsQuotedMacro() const { return is_quoted_macro_; }
  void SetMacro(bool is_macro, bool quoted);
  const classlib::Variant& MacroPreviousValue() const { return macro_previous_; }
  void SetMacroPreviousValue(const classlib::Variant& value) { macro_previous_ = value; }
  int MarkerStart() const { return marker_start_; }
  int MarkerEnd() const { return marker_end_; }
  void SetMarkerPosition(int start, int end);

  // ---- blob contents of a parameter loaded from a stream ----
  bool HasStream() const { return stream_ != nullptr; }
  classlib::TMemoryStream* Stream() const { return stream_.get(); }
  void LoadFromStream(classlib::TStream& source);
  // Writes the kept contents into a new blob on the owner's connection and
  // makes the blob's id the value; the stream is released.
  void SaveStreamToBlob();
  void ReleaseStream();

  // ---- reading (a NULL value reads as 0, "", a Null variant) ----
  // Columns are read for every field of every fetched row: a value stored
  // in the type asked for is answered inline, every other case by the
  // general conversion.
  bool IsNull() const {
    if (*row_state_ == TRowState::kRow && !stream_) [[likely]]
      return SQLType() == 0 || NullIndicated();
    return IsNullOutsideRow();
  }
  int32_t AsInteger() const {
    if (DirectType() == kSQLLong && var_->sqlscale == 0) return Load<int32_t>();
    return ConvertToInteger();
  }
  int64_t AsInt64() const {
    if (DirectType() == kSQLInt64 && var_->sqlscale == 0) return Load<int64_t>();
    return ConvertToInt64();
  }
  double AsDouble() const {
    const int type = DirectType();
    if (type == kSQLDouble) return Load<double>();
    // Dividing by the exact power keeps 123.45 from becoming 123.45000000000002.
    if (type == kSQLInt64 && var_->sqlscale <= 0)
      return static_cast<double>(Load<int64_t>()) / PowerOfTen(-var_->sqlscale);
    return ConvertToDouble();
  }
  classlib::Currency AsCurrency() const;
  classlib::TBcd AsBCD() const;
  bool AsBoolean() const;
  classlib::TDateTime AsDateTime() const {
    if (DirectType() == kSQLTimeStamp) return TimeStampValue();
    return ConvertToDateTime();
  }
  ISC_QUAD AsQuad() const;
  classlib::TGUID AsGuid() const;
  std::string AsString() const {
    const int type = DirectType();
    if (type == kSQLVarying || type == kSQLText) return TextValue();
    return ConvertToString();
  }
  classlib::Variant AsVariant() const;

  // ---- writing (to every parameter of the same name) ----
  void SetIsNull(bool null);
  void SetAsInteger(int32_t value);
  void SetAsShort(int16_t value);
  void SetAsBoolean(bool value);
  void SetAsInt64(int64_t value);
  void SetAsDouble(double value);
  void SetAsCurrency(classlib::Currency value);
  void SetAsBCD(const classlib::TBcd& value);
  void SetAsExtended(long double value);
  void SetAsDateTime(classlib::TDateTime value);
  void SetAsDate(classlib::TDateTime value);
  void SetAsTime(classlib::TDateTime value);
  void SetAsQuad(const ISC_QUAD& value);
  void SetAsGuid(const classlib::TGUID& value);
  void SetAsString(std::string_view value);
  void SetAsVariant(const classlib::Variant& value);

  // Copies the value of another item (see the .cpp for blobs and arrays).
  void Assign(const TFIBXSQLVAR& source);

 private:
  friend class TFIBXSQLDA;

  // Called by the parent.
  void Bind(XSQLVAR* var);
  void SetName(std::string name);
  void InitializeDescribed(bool keep_value);
  void ReleaseBuffers();

  // Reading helpers.
  const char* Raw() const { return var_->sqldata; }
  template <typename T>
  T Load() const {
    T value;
    std::memcpy(&value, var_->sqldata, sizeof value);
    return value;
  }
  // The server's NULL indicator of a nullable type.
  bool NullIndicated() const {
    return (var_->sqltype & 1) != 0 && var_->sqlind != nullptr && *var_->sqlind == -1;
  }
  // The type of a value that can be read straight from the buffer: a row is
  // held, no stream stands in for the value and it is not NULL; 0 otherwise.
  int DirectType() const {
    if (*row_state_ != TRowState::kRow || stream_ || NullIndicated()) [[unlikely]]
      return 0;
    return SQLType();
  }
  // IsNull before the first row, after the last, or with a stream.
  bool IsNullOutsideRow() const;
  // The conversions from any type.
  int32_t ConvertToInteger() const;
  int64_t ConvertToInt64() const;
  double ConvertToDouble() const;
  classlib::TDateTime ConvertToDateTime() const;
  std::string ConvertToString() const;
  // A TIMESTAMP or text value that is not NULL.
  classlib::TDateTime TimeStampValue() const {
    const double date = Load<int32_t>() - kDayNumberToDateTime;
    uint32_t time;
    std::memcpy(&time, var_->sqldata + 4, sizeof time);
    const double fraction = time / static_cast<double>(kTimeUnitsPerDay);
    // Before 1899-12-30 the fraction counts away from zero.
    return date < 0 ? date - fraction : date + fraction;
  }
  std::string TextValue() const;
  int64_t StoredInteger() const;
  std::string_view TextBytes() const;
  std::string BlobContents() const;
  [[noreturn]] static void ConversionError();

  // Writing helpers. Prepare gives the item `type` with a buffer of
  // `length` bytes (plus the prefix of VARYING), clears NULL, keeps the
  // nullable bit and marks it modified.
  void Prepare(int type, int length, int scale);
  // Prepare without clearing the buffer, for values that fill all of it.
  void Reshape(int type, int length, int scale);
  template <typename T>
  void StoreFixed(int type, int scale, T value);
  // Whether a written value reaches this item alone: no other parameter
  // shares its name (as last looked up) and it is no macro.
  bool WritesAlone() const {
    return namesakes_naming_ == *parent_naming_ && namesakes_.empty() && !is_macro_;
  }
  // The shortcut of Reshape for an item that already has exactly this
  // shape in its own buffer and holds no stream: it only counts as written
  // (NULL cleared, modified). False changes nothing.
  bool KeepsShape(int type, int length, int scale);
  // A value written again in the shape of the last one: WritesAlone and
  // KeepsShape; only the value's bytes remain to be copied.
  bool ReadyInPlace(int type, int length, int scale);
  // StoreFixed on every parameter of this one's name.
  template <typename T>
  void SpreadFixed(int type, int scale, T value);
  // Writes `value` where the item's buffer starts (ReadyInPlace said yes).
  template <typename T>
  void PutInPlace(T value) {
    std::memcpy(var_->sqldata, &value, sizeof value);
  }
  void StoreBytes(int type, std::string_view bytes);
  void StoreNull(bool null);
  void StoreString(std::string_view value);
  void StoreRecordKey(std::string_view value);
  void StoreCopiedString(std::string copy, bool numeric);
  // Text in the connection's character set, as text of the item's subtype.
  void StoreEncodedText(std::string_view text);
  void StoreUtf8Text(std::string_view text);
  // Text as CHAR of the subtype.
  void StoreCharText(std::string_view bytes, short subtype);
  // The value becomes a blob of these contents, kept until an execution
  // writes it.
  [[gnu::noinline]] void HoldAsStream(std::string_view contents);
  // Whether `bytes` point into this item's data buffer.
  bool InOwnBuffer(std::string_view bytes) const;
  void StoreText(std::string_view bytes, short subtype);
  // Store the value in the type the server described when it is exactly
  // representable there (the server then copies instead of converting);
  // false leaves the item untouched for the general path.
  bool StoreDescribedNumber(double value);
  void StoreWhole(int type, int scale, int64_t whole);
  bool StoreDescribedVarying(std::string_view bytes, short subtype);
  void StoreWideString(const std::u16string& value);
  void StoreExtended(long double value);
  void StoreTimeStamp(classlib::TDateTime value);
  void StoreArray(const classlib::Variant& value);
  int Dialect() const;
  bool IsNumericParameter() const;
  bool IsDateTimeParameter() const;
  // Runs `store` on every parameter of this one's name, this one last.
  template <typename Store>
  void ForEachNamesake(Store&& store);
  using StoreCall = void (*)(const void* callable, TFIBXSQLVAR& item);
  void StoreInNamesakes(StoreCall call, const void* callable);
  // The other parameters of this one's name, looked up again only after the
  // parent's names changed (a new prepare or preprocessing).
  const std::vector<TFIBXSQLVAR*>& Namesakes();
  void AfterStore();

  TFIBXSQLDA* parent_;
  TXSQLOwner* owner_;
  int index_;
  std::string name_;
  // The name is a record key's ("DB_KEY", "RDB$DB_KEY").
  bool is_db_key_ = false;
  XSQLVAR* var_ = nullptr;
  std::vector<char> data_;
  int16_t indicator_ = 0;
  // In the order of the first fields of XSQLVAR.
  struct Shape {
    short type = 0, scale = 0, subtype = 0, length = 0;
  };
  // What the server described, and what the last written value made of the
  // item (restored when a new describe overwrites the record of an item
  // that keeps its value).
  Shape described_;
  Shape kept_;
  bool modified_ = false;
  bool is_macro_ = false;
  bool is_quoted_macro_ = false;
  classlib::Variant macro_previous_;
  std::vector<TFIBXSQLVAR*> namesakes_;
  // The parent's naming the namesakes were found under; 0: never.
  uint64_t namesakes_naming_ = 0;
  // The parent's naming counter, read on every write of a value.
  const uint64_t* parent_naming_;
  // The parent's row state, read on every read of a value.
  const TRowState* row_state_;
  int marker_start_ = 0;
  int marker_end_ = 0;
  std::unique_ptr<classlib::TMemoryStream> stream_;
};

// Numbers are written for every row of a batch: an item that takes the
// value alone and in its present shape gets only the value's bytes.
inline void TFIBXSQLVAR::SetAsInteger(int32_t value) {
  if (ReadyInPlace(kSQLLong, sizeof value, 0)) [[likely]]
    PutInPlace(value);
  else
    SpreadFixed(kSQLLong, 0, value);
}

inline void TFIBXSQLVAR::SetAsShort(int16_t value) {
  if (ReadyInPlace(kSQLShort, sizeof value, 0)) [[likely]]
    PutInPlace(value);
  else
    SpreadFixed(kSQLShort, 0, value);
}

inline void TFIBXSQLVAR::SetAsInt64(int64_t value) {
  if (ReadyInPlace(kSQLInt64, sizeof value, 0)) [[likely]]
    PutInPlace(value);
  else
    SpreadFixed(kSQLInt64, 0, value);
}

template <typename Store>
void TFIBXSQLVAR::ForEachNamesake(Store&& store) {
  // Most parameters have no namesake and are no macro: those skip the calls,
  // and the setter holds one copy of its store.
  if (!namesakes_.empty() || namesakes_naming_ != *parent_naming_) [[unlikely]] {
    using Callable = std::remove_reference_t<Store>;
    StoreInNamesakes(
        [](const void* callable, TFIBXSQLVAR& item) {
          (*static_cast<Callable*>(const_cast<void*>(callable)))(item);
        },
        &store);
  }
  store(*this);
  if (is_macro_) [[unlikely]] AfterStore();
}

}  // namespace fib
