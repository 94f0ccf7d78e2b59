// TField: one column of a data set's current record, seen through typed
// value views (AsString, AsInteger, AsFloat, ...). A field holds no value of
// its own: it reads and writes the data set's active record buffer through
// TDataSet::GetFieldData / SetFieldData, in its data type's buffer format.
//
// Buffer formats. A field exchanges values with its data set in one of two
// forms. The native form is what record buffers hold:
//   ftString, ftFixedChar, ftGuid  zero-terminated ANSI text, Size + 1 bytes
//   ftWideString, ftFixedWideChar  zero-terminated UTF-16, (Size + 1) * 2 bytes
//   ftSmallint Int16, ftInteger/ftAutoInc Int32, ftWord UInt16, ftLargeint Int64
//   ftFloat Double, ftCurrency Double
//   ftBCD        8-byte Currency (the value scaled by 10 000)
//   ftFMTBcd     TBcd
//   ftBoolean    16-bit, 0 false, anything else true
//   ftDate       Int32 day number, 0001-01-01 is day 1
//   ftTime       Int32 milliseconds since midnight
//   ftDateTime   Double milliseconds: day number * 86 400 000 + milliseconds
//                of the day (TimeStampToMSecs; 0001-01-01 00:00 is 86 400 000)
//   ftBytes      Size raw bytes; ftVarBytes UInt16 length + Size bytes
//   ftVariant    a Variant object
// The field-side form (native = false) differs only where the field's own
// view is more convenient: dates and times are a TDateTime (Double days since
// 1899-12-30) and wide strings a WideString object. TDataSet::DataConvert
// turns one form into the other; a data set that keeps another native layout
// overrides it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/codepage.h"
#include "classlib/component.h"
#include "classlib/currency.h"
#include "classlib/datetime.h"
#include "classlib/db_types.h"
#include "classlib/event.h"
#include "classlib/guid.h"

namespace classlib {

class TDataSet;
class TField;
class TObjectField;
class Variant;

using TFieldNotifyEvent = Event<void(TField* sender)>;
using TFieldGetTextEvent = Event<void(TField* sender, std::string& text, bool display_text)>;
using TFieldSetTextEvent = Event<void(TField* sender, const std::string& text)>;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
// How the server fills a column the client leaves out: not at all, from a
// counter (an auto-increment column), or from the column's default.
enum TAutoRefreshFlag { arNone, arAutoInc, arDefault };

class TField : public TComponent {
  CLASSLIB_CLASS(TField, TComponent)
 public:
  explicit TField(TComponent* owner);
  ~TField() override;

  // ---- Place in a data set ----
  TDataSet* DataSet() const { return data_set_; }
  // Leaves the former data set's field list and joins the new one's; a field
  // cannot move while either data set is open.
  virtual void SetDataSet(TDataSet* data_set);
  TObjectField* ParentField() const { return parent_field_; }
  void SetParentField(TObjectField* parent);
  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(const std::string& name);
  // The name qualified by the parent fields' names ("ADDR.CITY").
  std::string FullName() const;
  // 1-based column number in the data set's record; 0 for fields that are
  // not data fields (calculated, lookup).
  int FieldNo() const { return field_no_; }
  void SetFieldNo(int field_no) { field_no_ = field_no; }
  // Position in the data set's field list.
  int Index() const;
  void SetIndex(int index);
  TFieldKind FieldKind() const { return field_kind_; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return field_kind_ == fkCalculated; }
  bool Lookup() const { return field_kind_ == fkLookup; }
  TFieldType DataType() const { return data_type_; }
  int Size() const { return size_; }
  // Checks the size against the field class first (CheckTypeSize).
  void SetSize(int size);
  // Bytes the value takes in a record buffer, in the native form.
  int DataSize() const { return GetDataSize(); }
  // Offset of the value inside the calculated-field area of a record (for
  // calculated and lookup fields; the data set assigns it when binding).
  int Offset() const { return offset_; }
  void SetOffset(int offset) { offset_ = offset; }
  virtual bool IsBlob() const { return false; }

  // ---- Presentation and rules ----
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  // DisplayLabel falls back to the field name; DisplayName likewise.
  std::string DisplayLabel() const;
  void SetDisplayLabel(const std::string& label) { display_label_ = label; }
  std::string DisplayName() const { return DisplayLabel(); }
  int DisplayWidth() const;
  void SetDisplayWidth(int width) { display_width_ = width; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
  TAutoRefreshFlag AutoGenerateValue() const { return auto_generate_value_; }
  void SetAutoGenerateValue(TAutoRefreshFlag value) { auto_generate_value_ = value; }
  const std::string& DefaultExpression() const { return default_expression_; }
  void SetDefaultExpression(const std::string& text) { default_expression_ = text; }
  const std::string& Origin() const { return origin_; }
  void SetOrigin(const std::string& origin) { origin_ = origin; }
  const std::string& EditMask() const { return edit_mask_; }
  void SetEditMask(const std::string& mask) { edit_mask_ = mask; }
  // What a data provider does with the field; pfInKey fields are the
  // data set's own answer to a provider's question for key fields.
  TProviderFlags ProviderFlags() const { return provider_flags_; }
  void SetProviderFlags(TProviderFlags flags) { provider_flags_ = flags; }
  // Whether the field can be written now: not read-only, not a calculated
  // field outside calculation, and a data set that can modify.
  bool CanModify() const { return GetCanModify(); }

  // ---- Lookup fields ----
  TDataSet* LookupDataSet() const { return lookup_data_set_; }
  void SetLookupDataSet(TDataSet* data_set);
  const std::string& KeyFields() const { return key_fields_; }
  void SetKeyFields(const std::string& names) { key_fields_ = names; }
  const std::string& LookupKeyFields() const { return lookup_key_fields_; }
  void SetLookupKeyFields(const std::string& names) { lookup_key_fields_ = names; }
  const std::string& LookupResultField() const { return lookup_result_field_; }
  void SetLookupResultField(const std::string& name) { lookup_result_field_ = name; }

  // ---- Value views ----
  std::string AsString() const { return GetAsString(); }
  void SetAsString(const std::string& value) { SetAsStringValue(value); }
  WideString AsWideString() const { return GetAsWideString(); }
  void SetAsWideString(const WideString& value) { SetAsWideStringValue(value); }
  int32_t AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(int32_t value) { SetAsIntegerValue(value); }
  int64_t AsLargeInt() const { return GetAsLargeInt(); }
  void SetAsLargeInt(int64_t value) { SetAsLargeIntValue(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  Currency AsCurrency() const { return GetAsCurrency(); }
  void SetAsCurrency(Currency value) { SetAsCurrencyValue(value); }
  TBcd AsBCD() const { return GetAsBCD(); }
  void SetAsBCD(const TBcd& value) { SetAsBCDValue(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
  TGUID AsGuid() const { return GetAsGuid(); }
  void SetAsGuid(const TGUID& value) { SetAsGuidValue(value); }
  Variant AsVariant() const;
  void SetAsVariant(const Variant& value);
  // Value is AsVariant; setting Null or Empty clears the field.
  Variant Value() const;
  void SetValue(const Variant& value);
  // The value before the current edit, and the value being written; both
  // come from the data set's state-value protocol.
  Variant OldValue() const;
  Variant NewValue() const;
  void SetNewValue(const Variant& value);

  // Text goes through OnGetText/OnSetText when they are assigned; Text is
  // the edit form, DisplayText the display form (display format applied).
  std::string Text() const;
  void SetText(const std::string& text);
  std::string DisplayText() const;

  bool IsNull() const { return GetIsNull(); }
  virtual void Clear();
  // Copies the value (or Null) of another field; other sources are refused.
  void Assign(const TPersistent* source) override;
  // Copies a Variant into the field by its type, as SetValue does.
  void AssignValue(const Variant& value);
  // Runs OnValidate on a value about to be written (buffer in native form).
  void Validate(const void* buffer);

  // Reads the value in native or field-side form; false when it is null.
  // A nullptr buffer only asks about nullness.
  bool GetData(void* buffer, bool native = true) const;

  // Where a data set's record buffers hold the field's value in a form the
  // field can read itself, the data set may let the field read it straight
  // from the active record while browsing: the value's `offset` and `size`,
  // and the `null_offset` of a byte that is nonzero for null. Values read
  // this way for every row skip the data set's dispatch. The `form` says how
  // the record holds the value; each gives exactly what GetFieldData gives.
  // Forms from kFirstSharedForm on are read by every field class; the others
  // but kPlainForm are the data set's own layouts, read only by its own
  // field classes. Cleared when the fields are bound or unbound. A data
  // set gives slots only if its record buffers are never nullptr.
  struct TDirectSlot {
    // The value's `size` bytes, exactly as GetData copies them.
    static constexpr int kPlainForm = 0;
    static constexpr int kFirstSharedForm = 0x100;
    // A zero-terminated text in `size` bytes, cut to `cut` characters; its
    // trailing blanks are trimmed (a text that trims is looked at up to
    // `limit` bytes) as TDataSet::DirectTextRules says when it is read.
    static constexpr int kTextForm = 0x100;
    // A pointer to a zero-terminated text (nullptr: empty), read up to
    // `limit` characters.
    static constexpr int kTextPointerForm = 0x101;
    // A 16-bit length and the bytes, `size` bytes in all; `cut` bytes at most
    // are read.
    static constexpr int kCountedBytesForm = 0x102;
    // A TDateTime the data set hands out as milliseconds since 0001-01-01
    // (TryDateTimeToMSecs; a value it refuses is left to the data set).
    static constexpr int kDateTimeDaysForm = 0x103;
    int offset = -1;
    int null_offset = 0;
    int size = 0;
    int form = kPlainForm;
    // The data set turns this value into its field-side form exactly as
    // TDataSet::DataConvert does, so a field may convert it itself.
    bool standard_convert = false;
    int limit = 0;
    int cut = 0;
    // A text of a fixed-length (CHAR) column: the data set's trimming of
    // those applies.
    bool fixed_text = false;
  };
  void SetDirectSlot(const TDirectSlot& slot) {
    direct_slot_ = slot;
    UpdateDirectReads();
  }
  void ClearDirectSlot() { SetDirectSlot(TDirectSlot()); }
  const TDirectSlot& DirectSlot() const { return direct_slot_; }
  // The slot's form while the slot is read directly, else -1.
  int DirectForm() const { return direct_form_; }
  // Writes a value; a nullptr buffer writes null.
  void SetData(const void* buffer, bool native = true);
  // Field classes refuse sizes their data type cannot have, with
  // EDatabaseError "Invalid field size".
  virtual void CheckTypeSize(int size) const;
  // The data set tells its fields when it opens (true) and closes.
  virtual void Bind(bool binding);
  // The data set calls it when a record is posted, cancelled or left, so
  // fields drop what they kept for the edit (a blob's Modified flag).
  virtual void FreeBuffers() {}
  // Raises OnChange; the data set calls it after every write of the field.
  void Change() { DataChanged(); }

  // ---- Events ----
  const TFieldNotifyEvent& OnChange() const { return on_change_; }
  void SetOnChange(TFieldNotifyEvent handler) { on_change_ = std::move(handler); }
  const TFieldNotifyEvent& OnValidate() const { return on_validate_; }
  void SetOnValidate(TFieldNotifyEvent handler) { on_validate_ = std::move(handler); }
  const TFieldGetTextEvent& OnGetText() const { return on_get_text_; }
  void SetOnGetText(TFieldGetTextEvent handler) { on_get_text_ = std::move(handler); }
  const TFieldSetTextEvent& OnSetText() const { return on_set_text_; }
  void SetOnSetText(TFieldSetTextEvent handler) { on_set_text_ = std::move(handler); }

  // The buffer OnValidate handlers may inspect (set only while they run).
  const void* ValidateBuffer() const { return validate_buffer_; }

 protected:
  // The type decides which direct date-time read applies (see below).
  void SetDataType(TFieldType type) {
    data_type_ = type;
    UpdateDirectReads();
  }
  // Sets the size without the class check (constructors and data sets).
  void SetSizeRaw(int size) { size_ = size; }

  virtual int GetDataSize() const { return 0; }
  virtual bool GetIsNull() const;
  virtual bool GetCanModify() const;

  // The typed views. The base refuses every one with "Cannot access field
  // '%s' as type %s"; each field class overrides those it supports.
  virtual std::string GetAsString() const;
  virtual void SetAsStringValue(const std::string& value);
  virtual WideString GetAsWideString() const;
  virtual void SetAsWideStringValue(const WideString& value);
  virtual int32_t GetAsInteger() const;
  virtual void SetAsIntegerValue(int32_t value);
  virtual int64_t GetAsLargeInt() const;
  virtual void SetAsLargeIntValue(int64_t value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrencyValue(Currency value);
  virtual TBcd GetAsBCD() const;
  virtual void SetAsBCDValue(const TBcd& value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime value);
  virtual TGUID GetAsGuid() const;
  virtual void SetAsGuidValue(const TGUID& value);
  virtual Variant GetAsVariant() const;
  virtual void SetVarValue(const Variant& value);
  // The text forms without the OnGetText/OnSetText handlers.
  virtual std::string GetTextValue(bool display_text) const;
  virtual void SetTextValue(const std::string& text);
  // Copies from another field of a matching class (the base: by Variant).
  virtual void AssignField(const TField& source);
  // Called by Change; raises OnChange.
  virtual void DataChanged();

  // The active record when a direct read applies (a slot, no OnValidate
  // running, the data set browsing a record), else nullptr. Both are
  // defined in field_direct.h, inline for the getters that run per row.
  inline const uint8_t* DirectRecord() const;
  // Whether a direct read of the plain form applies and the slot holds
  // exactly `size` bytes (what GetData would copy); if so, is_null is set,
  // and `value` to the value's bytes.
  inline bool DirectValue(int size, const uint8_t*& value, bool& is_null) const;
  // The text a text slot (kTextForm, kTextPointerForm) of `record` holds, as
  // GetData would give it; false when the slot holds no text or the data
  // set's rules ask for its own read now.
  inline bool DirectText(const uint8_t* record, std::string_view& text) const;
  // How a date-time getter may read the slot itself, settled with the slot:
  // only an ftDateTime value the data set converts the standard way, held
  // as 8 bytes of milliseconds (kMSecs) or in kDateTimeDaysForm (kDays).
  enum class TDirectDateTime : uint8_t { kNone, kMSecs, kDays };
  TDirectDateTime DirectDateTimeRead() const { return direct_date_time_; }

 private:
  bool ReadDirectForm(const uint8_t* record, void* buffer, bool native) const;
  bool ReadCountedBytes(const uint8_t* at, uint8_t* out) const;
  bool ReadData(const uint8_t* record, void* buffer, bool native) const;

 protected:

  // Raises EDatabaseError "Cannot access field '%s' as type %s".
  [[noreturn]] void AccessError(const char* type_name) const;
  // Raises EDatabaseError "%s is not a valid value for field '%s'. The
  // allowed range is %s to %s" with the texts given.
  [[noreturn]] void RangeError(const std::string& value, const std::string& min,
                               const std::string& max) const;
  [[noreturn]] void RangeError(double value, double min, double max) const;
  // Raises EDatabaseError "Invalid value for field '%s'".
  [[noreturn]] void InvalidValue() const;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TFieldDef;
  friend class TFields;

  TDataSet* data_set_ = nullptr;
  TObjectField* parent_field_ = nullptr;
  std::string field_name_;
  int field_no_ = 0;
  TFieldKind field_kind_ = fkData;
  TFieldType data_type_ = ftUnknown;
  int size_ = 0;
  int offset_ = 0;
  bool read_only_ = false;
  bool required_ = false;
  bool visible_ = true;
  std::string display_label_;
  int display_width_ = 0;
  TAlignment alignment_ = taLeftJustify;
  TAutoRefreshFlag auto_generate_value_ = arNone;
  std::string default_expression_;
  std::string origin_;
  std::string edit_mask_;
  TProviderFlags provider_flags_{pfInUpdate, pfInWhere};
  TDataSet* lookup_data_set_ = nullptr;
  std::string key_fields_;
  std::string lookup_key_fields_;
  std::string lookup_result_field_;
  // While OnValidate runs, reads of the field see the value being written.
  bool validating_ = false;
  const void* validate_buffer_ = nullptr;
  TDirectSlot direct_slot_;
  // What the getters test first, kept with the slot, validating_ and the
  // data type: a slot is read directly (no OnValidate runs); the size of a
  // plain form's value read directly (-1 for the other forms and when no
  // direct read applies, so the getters of plain values test one member);
  // the form read directly (-1 for none); the direct date-time read.
  bool reads_direct_ = false;
  int direct_plain_size_ = -1;
  int direct_form_ = -1;
  TDirectDateTime direct_date_time_ = TDirectDateTime::kNone;
  void UpdateDirectReads();
  TFieldNotifyEvent on_change_;
  TFieldNotifyEvent on_validate_;
  TFieldGetTextEvent on_get_text_;
  TFieldSetTextEvent on_set_text_;
};

// Whether the type's field-side form differs from its record-buffer form
// (dates, times, wide text), so reads in that form go through DataConvert.
bool HasFieldSideForm(TFieldType type);

// The name of a field type as messages print it ("String", "Integer", ...).
std::string FieldTypeName(TFieldType type);
// What displays show for values they cannot show as text: "(Memo)" for a
// null value, "(MEMO)" for one that holds data.
std::string PlaceholderText(const TField& field, bool is_null);

}  // namespace classlib
