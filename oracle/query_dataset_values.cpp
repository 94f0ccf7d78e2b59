// The Oracle value types as a TOraDataSet shows them outside its records:
// search values, the XML export and the value objects of object fields.
#include <cstring>

#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/unaligned.h"
#include "dacore/blob.h"
#include "dacore/memds_xml.h"
#include "oracle/field_ora_fields.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {

constexpr const char* kCannotConvertType = "Cannot convert type";
constexpr const char* kNotObjectField = "Field type should be Object";
constexpr const char* kLongMaxLength = "2147483647";

bool IsTimeStamp(TDataType t) { return t == dtTimeStamp || t == dtTimeStampTZ || t == dtTimeStampLTZ; }
bool IsInterval(TDataType t) { return t == dtIntervalYM || t == dtIntervalDS; }


// An XMLTYPE column is an object column whose type is the XML type.
TDataType XmlOrOwnType(const TFieldDesc& desc) {
  if (desc.DataType() == dtObject && desc.ObjectType() && desc.ObjectType()->DataType() == dtXML) return dtXML;
  return desc.DataType();
}

bool IsText(classlib::TVarType type) { return type == classlib::varOleStr || type == classlib::varString; }

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

std::vector<uint8_t> BlobBytes(TBlob* blob) {
  std::vector<uint8_t> bytes(blob ? blob->GetSize() : 0);
  if (!bytes.empty()) bytes.resize(blob->Read(0, static_cast<uint32_t>(bytes.size()), bytes.data()));
  return bytes;
}

}  // namespace

TConvertedValue TOraDataSet::ConvertFieldData(const classlib::Variant& value, const TFieldDesc& desc) {
  const TDataType t = desc.DataType();
  if (!IsTimeStamp(t) && !IsInterval(t) && t != dtNumber) return TCustomDADataSet::ConvertFieldData(value, desc);
  if (classlib::VarIsNull(value) || classlib::VarIsEmpty(value)) return {};
  const classlib::TVarType type = classlib::VarType(value) & classlib::varTypeMask;
  if (IsText(type)) return TConvertedValue::Text(value.AsString());
  if (IsTimeStamp(t) && type == classlib::varDate) return TConvertedValue::Scalar<double>(value.AsDate(), dtDateTime);
  if (t == dtNumber) {
    switch (type) {
      case classlib::varSmallint: case classlib::varInteger: case classlib::varShortInt:
      case classlib::varByte: case classlib::varWord:
        return TConvertedValue::Scalar<int32_t>(value.AsInteger(), dtInt32);
      case classlib::varSingle: case classlib::varDouble: case classlib::varCurrency:
        return TConvertedValue::Scalar<double>(value.AsDouble(), dtFloat);
      default: break;
    }
  }
  throw classlib::EConvertError(kCannotConvertType);
}

classlib::TObject* TOraDataSet::GetObjectValue(const std::string& field_name) {
  classlib::TField* field = FieldByName(field_name);
  TFieldDesc* desc = GetFieldDesc(field);
  const TDataType t = desc->DataType();
  if (t != dtObject && t != dtReference && t != dtArray && t != dtTable)
    classlib::DatabaseError(kNotObjectField, this);
  auto* record = static_cast<uint8_t*>(ActiveBuffer());
  if (!record || IsEmpty()) return nullptr;
  return static_cast<classlib::TObject*>(classlib::LoadUnaligned<void*>(record + desc->Offset()));
}

bool TOraDataSet::ObjectColumnModified(const TFieldDesc& desc) {
  // A value written through its own methods (Modified since the edit copied it).
  if (TRecBuf now = UpdateNewRecord()) {
    auto* value = static_cast<TOraObject*>(classlib::LoadUnaligned<void*>(static_cast<uint8_t*>(now) + desc.Offset()));
    if (value && value->Modified()) return true;
  }
  classlib::TField* field = FindField(desc.Name());
  if (auto* nested = dynamic_cast<TOraDataSetField*>(field)) return nested->Modified();
  auto* reference = dynamic_cast<TOraReferenceField*>(field);
  if (reference && reference->Modified()) return true;
  if (desc.DataType() != dtReference) return false;
  // A REF pointed at another object: the edited record's REF differs from
  // the one the row was read with.
  TRecBuf new_rec = UpdateNewRecord();
  TRecBuf old_rec = UpdateOldRecord();
  if (!new_rec || !old_rec) return true;
  auto ref_of = [&desc](TRecBuf rec) {
    return static_cast<TOraRef*>(
        static_cast<TOraObject*>(classlib::LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + desc.Offset())));
  };
  TOraRef* now = ref_of(new_rec);
  TOraRef* before = ref_of(old_rec);
  const bool now_null = !now || now->GetIsNull();
  const bool before_null = !before || before->GetIsNull();
  if (now_null || before_null) return now_null != before_null;
  return now->AsHex() != before->AsHex();
}

std::optional<std::string> TOraDataSet::XmlColumnText(const TFieldDesc& desc, bool old_value) {
  TRecBuf rec = old_value ? UpdateOldRecord() : UpdateNewRecord();
  if (!rec || FIRecordSet->GetNull(desc.FieldNo(), rec)) return std::nullopt;
  auto* xml = dynamic_cast<TOraXML*>(
      static_cast<TOraObject*>(classlib::LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + desc.Offset())));
  if (!xml || xml->GetIsNull()) return std::nullopt;
  return xml->AsString();
}

void TOraDataSet::WriteFieldXMLDataType(classlib::TField* field, const TFieldDesc& desc,
                                        const std::string& field_alias, XmlTextWriter& writer) {
  const TDataType t = XmlOrOwnType(desc);
  auto put = [&writer](const char* name, const std::string& value) { writer.WriteAttributeString(name, value); };
  if (t == dtOraBlob || t == dtBFile) {
    put("dt:type", "bin.hex");
    put("dt:maxLength", kLongMaxLength);
    put("rs:long", "true");
  } else if (t == dtOraClob || t == dtCFile || t == dtXML) {
    put("dt:type", "string");
    put("dt:maxLength", kLongMaxLength);
    TOraSession* session = Session();
    if (!session || !session->Options().UseUnicode()) put("rs:dbtype", "str");
    put("rs:long", "true");
  } else if (IsTimeStamp(t) || IsInterval(t) || t == dtNumber) {
    const int width = t == dtNumber ? desc.Length() + (desc.Scale() > 0 ? 1 : 0) : 50;
    put("dt:type", "string");
    put("dt:maxLength", std::to_string(width));
    put("rs:dbtype", "str");
  } else {
    TCustomDADataSet::WriteFieldXMLDataType(field, desc, field_alias, writer);
    return;
  }
  if (field->Required() && !field->ReadOnly()) put("rs:maybenull", "false");
}

std::string TOraDataSet::WriteFieldXMLValue(classlib::TField* field, const TFieldDesc& desc) {
  const TDataType t = XmlOrOwnType(desc);
  if (t == dtXML) return EncodeXmlText(classlib::Cp1251ToUtf8(field->AsString()));
  if (t == dtOraBlob || t == dtBFile) return Hex(BlobBytes(GetBlob(field)));
  if (t == dtOraClob || t == dtCFile) {
    const std::vector<uint8_t> bytes = BlobBytes(GetBlob(field));
    return EncodeXmlText(classlib::Cp1251ToUtf8(std::string(bytes.begin(), bytes.end())));
  }
  return TCustomDADataSet::WriteFieldXMLValue(field, desc);
}

}  // namespace oracle
