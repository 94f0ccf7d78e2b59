// The field pieces of the XML export (data-type attributes, name and
// property attributes, value texts) and the row-set document around them.
#include "dacore/memds_xml.h"

#include <cstdio>

#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"
#include "dacore/blob.h"
#include "dacore/messages.h"
#include "dacore/util_var_bytes.h"

namespace dacore {

using classlib::TField;

namespace {

constexpr const char* kLongMaxLength = "2147483647";

std::string Utf8Escaped(const std::string& text) { return EncodeXmlText(classlib::Cp1251ToUtf8(text)); }

// Replaces the process's decimal separator by "." (nothing when it is one).
std::string WithDotSeparator(std::string text) {
  const char separator = classlib::FormatSettings().DecimalSeparator;
  if (separator != '.')
    for (char& c : text)
      if (c == separator) c = '.';
  return text;
}

std::string Hex(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

// The blob's content through its own reader, so a compressed blob gives its
// bytes and not its packed form.
std::string BlobHex(TBlob* blob) {
  if (!blob) return "";
  std::vector<uint8_t> bytes(blob->GetSize());
  const uint32_t read = bytes.empty() ? 0 : blob->Read(0, static_cast<uint32_t>(bytes.size()), bytes.data());
  return Hex(bytes.data(), read);
}

// "%2d" groups joined by their separators, blanks then made zeros.
std::string ZeroFilled(std::string text) {
  for (char& c : text)
    if (c == ' ') c = '0';
  return text;
}

std::string TimeText(classlib::TDateTime value) {
  int hour, minute, second, msec;
  classlib::DecodeTime(value, hour, minute, second, msec);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%2d:%2d:%2d", hour, minute, second);
  return ZeroFilled(buffer);
}

std::string DateTimeText(classlib::TDateTime value) {
  int year, month, day;
  classlib::DecodeDate(value, year, month, day);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%4d-%2d-%2d", year, month, day);
  return ZeroFilled(buffer) + "T" + TimeText(value);
}

// The string and binary rows of the data-type table share their tail: a
// long value is one kept in a blob field whose column is not fixed-width.
void WriteLongFlag(TField* field, const TFieldDesc& desc, XmlTextWriter& writer) {
  if (field->IsBlob() && !desc.Fixed()) writer.WriteAttributeString("rs:long", "true");
}

}  // namespace

void TMemDataSet::WriteFieldXMLDataType(TField* field, const TFieldDesc& desc, const std::string&,
                                        XmlTextWriter& writer) {
  auto put = [&writer](const char* name, const std::string& value) { writer.WriteAttributeString(name, value); };
  const std::string size = std::to_string(desc.Size());
  const std::string length = std::to_string(desc.Length());
  const std::string scale = std::to_string(desc.Scale());
  switch (desc.DataType()) {
    case dtUnknown: case dtVariant:
      put("dt:type", "string");
      break;
    case dtString: case dtHeapString:
      put("dt:type", "string"); put("dt:maxLength", length); put("rs:dbtype", "str");
      WriteLongFlag(field, desc, writer);
      break;
    case dtMemo:
      put("dt:type", "string"); put("dt:maxLength", kLongMaxLength); put("rs:dbtype", "str");
      WriteLongFlag(field, desc, writer);
      break;
    case dtWideString: case dtHeapWideString:
      put("dt:type", "string"); put("dt:maxLength", length);
      WriteLongFlag(field, desc, writer);
      break;
    case dtWideMemo:
      put("dt:type", "string"); put("dt:maxLength", kLongMaxLength);
      WriteLongFlag(field, desc, writer);
      break;
    case dtInt8:
      put("dt:type", "i1"); put("dt:maxLength", size); put("rs:precision", length);
      break;
    case dtInt16:
      put("dt:type", "i2"); put("dt:maxLength", size); put("rs:precision", "5");
      break;
    case dtInt32:
      put("dt:type", "int"); put("dt:maxLength", size); put("rs:precision", "10");
      break;
    case dtFloat:
      if (desc.Length() > 7) {
        put("dt:type", "float"); put("dt:maxLength", size);
      } else {
        put("dt:type", "r4"); put("dt:maxLength", "4");
      }
      put("rs:precision", length);
      break;
    case dtDate:
      put("dt:type", "date"); put("dt:maxLength", size); put("rs:scale", scale); put("rs:precision", length);
      break;
    case dtTime:
      put("dt:type", "time"); put("dt:maxLength", size); put("rs:scale", scale); put("rs:precision", length);
      break;
    case dtDateTime:
      put("dt:type", "datetime"); put("rs:dbtype", "variantdate"); put("dt:maxLength", size);
      put("rs:scale", scale); put("rs:precision", length);
      break;
    case dtUInt16:
      put("dt:type", "ui2"); put("dt:maxLength", size); put("rs:precision", length);
      break;
    case dtBoolean:
      put("dt:type", "boolean"); put("dt:maxLength", size);
      break;
    case dtInt64:
      put("dt:type", "i8"); put("dt:maxLength", size); put("rs:precision", "19");
      break;
    case dtCurrency: case dtBcd:
      put("dt:type", "number"); put("rs:dbtype", "currency"); put("dt:maxLength", size);
      put("rs:precision", length);
      break;
    case dtBlob:
      put("dt:type", "bin.hex"); put("dt:maxLength", kLongMaxLength);
      WriteLongFlag(field, desc, writer);
      break;
    case dtBytes: case dtVarBytes: case dtHeapVarBytes:
      put("dt:type", "bin.hex"); put("dt:maxLength", length);
      WriteLongFlag(field, desc, writer);
      break;
    case dtUInt32:
      put("dt:type", "ui4"); put("dt:maxLength", size); put("rs:precision", length);
      break;
    case dtFmtBcd:
      put("dt:type", "number"); put("rs:dbtype", "numeric"); put("dt:maxLength", size);
      put("rs:scale", scale); put("rs:precision", length);
      break;
    case dtGuid:
      put("dt:type", "uuid"); put("dt:maxLength", "16");
      break;
    default:  // objects, references, arrays, tables and unknown codes
      classlib::DatabaseError(SDataTypeNotSupported, this);
  }
  if (desc.Fixed() && desc.DataType() != dtUnknown && desc.DataType() != dtVariant)
    put("rs:fixedlength", "true");
  if (field->Required() && !field->ReadOnly()) put("rs:maybenull", "false");
}

void TMemDataSet::WriteFieldXMLAttributeType(TField* field, const TFieldDesc& desc, const std::string& field_alias,
                                             XmlTextWriter& writer) {
  if (field_alias.empty()) {
    writer.WriteAttributeString("name", Utf8Escaped(desc.Name()));
  } else {
    // An alias comes from the caller and may hold quotes or "<": it is
    // converted and escaped like the field's own name.
    writer.WriteAttributeString("name", Utf8Escaped(field_alias));
    writer.WriteAttributeString("rs:name", Utf8Escaped(desc.Name()));
  }
  writer.WriteAttributeString("rs:number", std::to_string(desc.FieldNo()));
  if (!field->Required() && !field->ReadOnly()) writer.WriteAttributeString("rs:nullable", "true");
  if (!field->ReadOnly()) writer.WriteAttributeString("rs:writeunknown", "true");
  if (!desc.ActualName().empty()) writer.WriteAttributeString("rs:basecolumn", Utf8Escaped(desc.ActualName()));
  if (desc.IsKey()) writer.WriteAttributeString("rs:keycolumn", "true");
  if (field->AutoGenerateValue() == classlib::arAutoInc) writer.WriteAttributeString("rs:autoincrement", "true");
}

std::string TMemDataSet::WriteFieldXMLValue(TField* field, const TFieldDesc& desc) {
  std::string text;
  switch (desc.DataType()) {
    case dtFloat:
      text = WithDotSeparator(classlib::FloatToStr(field->AsFloat()));
      break;
    case dtCurrency: case dtBcd:
      text = WithDotSeparator(classlib::CurrToStr(classlib::VarAsType(field->AsVariant(), classlib::varCurrency).AsCurrency()));
      break;
    case dtFmtBcd:
      text = classlib::BCDToStr(field->AsBCD());
      break;
    case dtDate: case dtDateTime:
      text = DateTimeText(field->AsDateTime());
      break;
    case dtTime:
      text = TimeText(field->AsDateTime());
      break;
    case dtBoolean:
      text = field->AsBoolean() ? "True" : "False";
      break;
    case dtBlob:
      text = BlobHex(GetBlob(field));
      break;
    case dtBytes: case dtVarBytes: case dtHeapVarBytes: {
      const TBytes bytes = VarToBytes(field->AsVariant());
      text = Hex(bytes.data(), bytes.size());
      break;
    }
    default:
      text = field->AsString();
  }
  return Utf8Escaped(text);
}

namespace {

// The namespaces of the row-set vocabulary; this system only writes the
// documents, so the names are its own.
constexpr const char* kSchemaNamespace = "urn:updater:rowset:schema";
constexpr const char* kDataTypeNamespace = "urn:updater:rowset:datatypes";
constexpr const char* kRowSetNamespace = "urn:updater:rowset";
constexpr const char* kRowNamespace = "#RowsetSchema";

// An exported field: one with a column behind it, and the alias its rows
// use when its own name is no XML name.
struct TExportedField {
  TField* field;
  TFieldDesc* desc;
  std::string alias;
};

std::vector<TExportedField> ExportedFields(TMemDataSet& data_set) {
  std::vector<TExportedField> fields;
  std::vector<std::string> names;
  for (int i = 0; i < data_set.Fields().Count(); ++i) {
    TField* field = data_set.Fields()[i];
    if (field->FieldKind() != classlib::fkData) continue;
    fields.push_back({field, data_set.GetFieldDesc(field), ""});
    names.push_back(fields.back().desc->Name());
  }
  const std::vector<std::string> aliases = XmlAttributeAliases(names);
  for (size_t i = 0; i < fields.size(); ++i) fields[i].alias = aliases[i];
  return fields;
}

void WriteSchema(TMemDataSet& data_set, const std::vector<TExportedField>& fields,
                 XmlTextWriter& writer) {
  writer.WriteStartElement("s:Schema");
  writer.WriteAttributeString("id", "RowsetSchema");
  writer.WriteStartElement("s:ElementType");
  writer.WriteAttributeString("name", "row");
  writer.WriteAttributeString("content", "eltOnly");
  for (const auto& [field, desc, alias] : fields) {
    writer.WriteStartElement("s:AttributeType");
    data_set.WriteFieldXMLAttributeType(field, *desc, alias, writer);
    writer.WriteStartElement("s:datatype");
    data_set.WriteFieldXMLDataType(field, *desc, "", writer);
    writer.WriteEndElement();
    writer.WriteEndElement();
  }
  writer.WriteEndElement();
  writer.WriteEndElement();
}

// A null value has no attribute in its row.
void WriteRows(TMemDataSet& data_set, const std::vector<TExportedField>& fields,
               XmlTextWriter& writer) {
  writer.WriteStartElement("rs:data");
  for (data_set.First(); !data_set.Eof(); data_set.Next()) {
    writer.WriteStartElement("z:row");
    for (const auto& [field, desc, alias] : fields)
      if (!field->IsNull())
        writer.WriteAttributeString(Utf8Escaped(alias.empty() ? desc->Name() : alias),
                                    data_set.WriteFieldXMLValue(field, *desc));
    writer.WriteEndElement();
  }
  writer.WriteEndElement();
}

}  // namespace

std::string DataSetToXml(TMemDataSet& data_set) {
  const auto fields = ExportedFields(data_set);
  XmlTextWriter writer;
  writer.WriteStartElement("xml");
  writer.WriteAttributeString("xmlns:s", kSchemaNamespace);
  writer.WriteAttributeString("xmlns:dt", kDataTypeNamespace);
  writer.WriteAttributeString("xmlns:rs", kRowSetNamespace);
  writer.WriteAttributeString("xmlns:z", kRowNamespace);
  WriteSchema(data_set, fields, writer);
  data_set.DisableControls();
  const classlib::TBookmark position = data_set.GetBookmark();
  try {
    WriteRows(data_set, fields, writer);
  } catch (...) {
    data_set.GotoBookmark(position);
    data_set.EnableControls();
    throw;
  }
  data_set.GotoBookmark(position);
  data_set.EnableControls();
  writer.WriteEndElement();
  return writer.Text();
}

}  // namespace dacore
