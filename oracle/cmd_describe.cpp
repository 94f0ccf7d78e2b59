// Describing a select list: each column's type, size, precision and
// nullability read from its parameter descriptor and turned into a field
// description of the record store.
#include <cmath>
#include <string>

#include "classlib/ansistr.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/call_state.h"
#include "oracle/cmd_column_info.h"
#include "oracle/cmd_field_desc.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/object_names.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {

constexpr uint16_t kSlot = sizeof(void*);  // a value object or heap reference

[[noreturn]] void NotSupported() { RaiseOraException("Data type is not supported"); }

// A select-list type the record keeps as character data of the column's size.
constexpr ub2 kCharDataType = 25;

// The text width of a date or timestamp in the session's format for it.
uint16_t FormattedWidth(const std::string& session_format, const char* fallback, bool timestamp) {
  const std::string format = classlib::UpperCase(session_format.empty() ? fallback : session_format);
  auto width = static_cast<uint16_t>(format.size());
  if (format.find("MONTH") != std::string::npos) width += 7;
  if (format.find("DAY") != std::string::npos) width += 9;
  if (timestamp && format.find("SSXFF") != std::string::npos) width += 4;
  return width;
}

// The digits the text of a NUMBER(p,s) value can hold: more decimals than
// digits (NUMBER(2,5): -0.00012) and zeros before the point (NUMBER(3,-2):
// -99900) make it longer than its precision. Sign, point and a leading zero
// come on top.
int NumberTextDigits(const TSelectColumn& c) {
  if (c.scale > c.precision) return c.scale;
  if (c.scale < 0) return c.precision - c.scale;
  return c.precision;
}

void SetString(TOCIFieldDesc& field, uint16_t length, bool unicode) {
  field.SetDataType(unicode ? dtWideString : dtString);
  field.SetLength(length);
  field.SetSize(static_cast<uint16_t>(unicode ? (length + 1) * 2 : length + 1));
}

}  // namespace

std::string TOCICommand::TypeNameOf(void* param) {
  OCIError* error = OCIConnection()->GetErrorHandle();
  auto text = [&](ub4 attribute) {
    const char* value = nullptr;
    ub4 length = 0;
    Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &value, &length, attribute, error));
    return std::string(value ? value : "", value ? length : 0);
  };
  const std::string schema = text(OCI_ATTR_SCHEMA_NAME);
  return QuoteOraName(schema + "." + text(OCI_ATTR_TYPE_NAME));
}

bool TOCICommand::DescribeField(TOCIFieldDesc& field, ub4 position, bool long_strings, bool flat_buffers) {
  if (call_style_ == kOci7) return DescribeFieldOci7(field, position, long_strings, flat_buffers);
  CheckOCI80();
  TOCIConnection* connection = OCIConnection();
  OCIError* error = connection->GetErrorHandle();
  void* param = nullptr;
  const sword got = OCIParamGet(cursor_->GetOCIStmt(), OCI_HTYPE_STMT, error, &param, position);
  // The end of the list: the network client answers "no data", the client
  // library its error 24334. Anything else is a failure.
  if (got == OCI_NO_DATA) return false;
  if (got == OCI_ERROR && GetOciErrorCode(got, error) == kNoDescriptorForPosition) return false;
  Check(got);
  struct FreeParam {
    void* handle;
    ~FreeParam() { OCIDescriptorFree(handle, OCI_DTYPE_PARAM); }
  } free_param{param};

  TSelectColumn c;
  auto get = [&](auto& value, ub4 attribute) { Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &value, nullptr, attribute, error)); };
  get(c.type, OCI_ATTR_DATA_TYPE);
  get(c.size, OCI_ATTR_DATA_SIZE);
  const char* name = nullptr;
  ub4 name_length = 0;
  Check(OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &name_length, OCI_ATTR_NAME, error));
  c.name.assign(name ? name : "", name ? name_length : 0);
  ub2 precision = 0;
  sb1 scale = 0;
  ub1 is_null = 1;
  get(precision, OCI_ATTR_PRECISION);
  get(scale, OCI_ATTR_SCALE);
  get(is_null, OCI_ATTR_IS_NULL);
  get(c.form, OCI_ATTR_CHARSET_FORM);
  if (OCIVersion >= 9000) get(c.char_size, OCI_ATTR_CHAR_SIZE);
  c.precision = static_cast<sb2>(precision);
  c.scale = scale;
  c.nullable = is_null != 0;
  const bool dated = c.type == SQLT_TIMESTAMP || c.type == SQLT_TIMESTAMP_TZ || c.type == SQLT_TIMESTAMP_LTZ ||
                     c.type == SQLT_INTERVAL_YM || c.type == SQLT_INTERVAL_DS;
  if (dated) {
    if (OCIVersion < 9000) NotSupported();
    get(c.fs_precision, OCI_ATTR_FSPRECISION);
    c.lf_precision = static_cast<ub1>(c.precision);
  }
  if (c.type == SQLT_NTY || c.type == SQLT_REF) c.type_name = TypeNameOf(param);
  ApplyColumnInfo(field, c, long_strings, flat_buffers);
  return true;
}

void TOCICommand::ApplyColumnInfo(TOCIFieldDesc& field, const TSelectColumn& c, bool long_strings, bool flat_buffers) {
  TOCIConnection* connection = OCIConnection();
  field.SetName(c.name);
  field.SetActualName(c.name);
  field.SetRequired(!c.nullable);
  field.OraType = c.type;
  field.FsPrecision = c.fs_precision;
  field.LfPrecision = c.lf_precision;
  const bool unicode = connection->UseUnicode;
  const bool as_string = fields_as_string_;
  switch (c.type) {
    case SQLT_CHR: case SQLT_AFC: {
      const bool national = c.form == 2;
      const uint16_t length = (unicode || national) && c.char_size ? c.char_size : c.size;
      if (length < 32 || flat_buffers) {
        SetString(field, length, unicode);
      } else if (length <= 255 || long_strings) {
        field.SetDataType(unicode ? dtHeapWideString : dtHeapString);
        field.SetLength(length);
        field.SetSize(kSlot);
      } else {
        field.SetDataType(unicode ? dtWideMemo : dtMemo);
        field.SubDataType = unicode ? stWideString : stString;
        field.SetLength(length);
        field.SetSize(kSlot);
      }
      if (national) field.SubDataType = unicode ? stNationalWideString : stNationalString;
      field.SetFixed(c.type == SQLT_AFC);
      break;
    }
    case SQLT_NUM: {
      const bool unknown = c.precision == 0;
      const bool is_float = c.scale == -127 && c.precision > 0;
      int digits = unknown ? 38 : c.precision;
      int places = c.scale;
      if (is_float) {
        digits = static_cast<int>(std::ceil(c.precision * 0.30103));
        places = 0;
      }
      if (as_string || number_as_string_) {
        SetString(field, static_cast<uint16_t>(is_float ? 255 : unknown ? 46 : NumberTextDigits(c) + 3), unicode);
        field.SubDataType = stNumberText;
        break;
      }
      field.SetLength(static_cast<uint16_t>(digits));
      field.SetScale(static_cast<uint16_t>(places < 0 ? 0 : places));
      // A FLOAT's precision counts binary digits and its values have
      // fractions whatever that precision: never an integer field.
      const bool whole = places == 0 && !is_float && connection->EnableIntegers;
      if (whole && digits <= integer_precision_) field.SetDataType(dtInt32), field.SetSize(4);
      else if (whole && digits <= largeint_precision_) field.SetDataType(dtInt64), field.SetSize(8);
      else if (connection->EnableNumbers && digits > float_precision_) field.SetDataType(dtNumber), field.SetSize(kSlot);
      else field.SetDataType(dtFloat), field.SetSize(8);
      break;
    }
    case SQLT_LNG:
      field.SetDataType(unicode ? dtWideMemo : dtMemo);
      field.SetSize(kSlot);
      break;
    case SQLT_RID:
      SetString(field, 18, false);
      field.SubDataType = stRowId;
      break;
    case SQLT_DAT:
      if (as_string) {
        SetString(field, FormattedWidth(connection->NlsParams[nlsDateFormat].Value, "DD-MON-RR", false), unicode);
        if (unicode) field.SetSize(static_cast<uint16_t>((field.Length() + 1) * 2));
      } else {
        // The record keeps a date-time number; the seven bytes the client
        // writes into the same place are converted after each fetch.
        field.SetDataType(dtDateTime);
        field.SetSize(8);
      }
      break;
    case SQLT_BIN:
      if (as_string || raw_as_string_) {
        SetString(field, static_cast<uint16_t>(c.size * 2), unicode);
      } else if (c.size < 32) {
        field.SetDataType(dtVarBytes);
        field.SetLength(c.size);
        field.SetSize(static_cast<uint16_t>(c.size + 2));
      } else {
        field.SetDataType(dtHeapVarBytes);
        field.SetLength(c.size);
        field.SetSize(kSlot);
      }
      break;
    case SQLT_LBI:
      field.SetDataType(dtBlob);
      field.SetSize(kSlot);
      break;
    case 100: case 101:
      field.SetDataType(dtFloat);
      field.SubDataType = c.type == 100 ? stBinaryFloat : stBinaryDouble;
      field.SetSize(8);
      field.SetLength(38);
      field.SetScale(127);
      break;
    case SQLT_RDD:
      if (c.size < 5) SetString(field, 18, unicode), field.SubDataType = stRowId;
      else SetString(field, static_cast<uint16_t>(std::ceil(c.size * 1.34)), unicode), field.SubDataType = stURowId;
      break;
    case 106:
      field.SetDataType(dtLabel);
      field.SetSize(c.size);
      break;
    case kCharDataType:
      field.SetDataType(dtCharData);
      field.SetSize(c.size);
      break;
    case SQLT_NTY:
      // Object, collection and XML columns are described as objects; the
      // record set tells them apart by their type. An XML value needs a
      // client that knows XMLTYPE.
      if (OCIVersion < 9200 && NormalizeOraName(c.type_name) == "\"SYS\".\"XMLTYPE\"") NotSupported();
      field.SetDataType(dtObject);
      field.SetSize(kSlot);
      field.TypeName = c.type_name;
      break;
    case SQLT_REF:
      field.SetDataType(dtReference), field.SetSize(kSlot);
      field.TypeName = c.type_name;
      break;
    case SQLT_CLOB:
      field.SetDataType(dtOraClob), field.SetSize(kSlot);
      if (c.form == 2) field.SubDataType = stNationalClob;
      break;
    case SQLT_BLOB: field.SetDataType(dtOraBlob), field.SetSize(kSlot); break;
    case SQLT_BFILEE: field.SetDataType(dtBFile), field.SetSize(kSlot); break;
    case SQLT_CFILEE: field.SetDataType(dtCFile), field.SetSize(kSlot); break;
    case SQLT_RSET: field.SetDataType(dtCursor), field.SetSize(kSlot); break;
    case SQLT_TIMESTAMP: case SQLT_TIMESTAMP_TZ: case SQLT_TIMESTAMP_LTZ: {
      if (as_string) {
        const int kind = c.type == SQLT_TIMESTAMP ? nlsTimeStampFormat : nlsTimeStampTZFormat;
        SetString(field, FormattedWidth(connection->NlsParams[kind].Value, "DD-MON-RR HH.MI.SSXFF AM", true), unicode);
        break;
      }
      field.SetDataType(c.type == SQLT_TIMESTAMP ? dtTimeStamp : c.type == SQLT_TIMESTAMP_TZ ? dtTimeStampTZ : dtTimeStampLTZ);
      field.SetSize(kSlot);
      field.SetScale(c.fs_precision);
      break;
    }
    case SQLT_INTERVAL_YM: case SQLT_INTERVAL_DS: {
      const bool ym = c.type == SQLT_INTERVAL_YM;
      if (as_string) {
        // Sign, the leading digits, then "-MM" or " HH:MI:SS" and the fraction.
        const int width = 1 + c.lf_precision + (ym ? 3 : 9 + (c.fs_precision ? 1 + c.fs_precision : 0));
        SetString(field, static_cast<uint16_t>(width), unicode);
        field.SubDataType = ym ? stIntervalYM : stIntervalDS;
        break;
      }
      field.SetDataType(ym ? dtIntervalYM : dtIntervalDS);
      field.SetSize(kSlot);
      field.SetLength(c.lf_precision);
      field.SetScale(c.fs_precision);
      break;
    }
    default:
      NotSupported();
  }
}

}  // namespace oracle
