#include "oranet/oci_item.h"

namespace oranet {

namespace {
// CHAR, VARCHAR2, LONG, fixed CHAR, CLOB and its file form.
bool HasCharacterForm(int type) {
  using namespace oracle;
  return type == SQLT_CHR || type == SQLT_LNG || type == SQLT_AFC || type == SQLT_CLOB || type == SQLT_CFILEE;
}
}  // namespace

sword TNetItemHandle::GetAttr(ub4 attr, void* value, ub4* size) {
  if (!value) return oracle::OCI_INVALID_HANDLE;
  int64_t scalar = 0;
  switch (attr) {
    case oracle::OCI_ATTR_NAME:
      PutText(value, size, name.c_str(), name.size());
      return oracle::OCI_SUCCESS;
    case oracle::OCI_ATTR_DATA_SIZE: scalar = dataSize; break;
    case oracle::OCI_ATTR_DATA_TYPE: scalar = dataType; break;
    case oracle::OCI_ATTR_PRECISION: scalar = precision; break;
    case oracle::OCI_ATTR_SCALE: scalar = scale; break;
    case oracle::OCI_ATTR_IS_NULL: scalar = nullAllowed ? 1 : 0; break;
    case oracle::OCI_ATTR_FSPRECISION: scalar = fsPrecision; break;
    case oracle::OCI_ATTR_CHAR_SIZE: scalar = charSize; break;
    // Texts are in the database's own character set (implicit, 1) unless
    // the describe named the national one (2); other columns have none (0).
    // The layer asks it of every column it describes.
    case oracle::OCI_ATTR_CHARSET_FORM: scalar = HasCharacterForm(dataType) ? charsetForm : 0; break;
    default:
      return TNetHandle::GetAttr(attr, value, size);
  }
  PutScalar(value, ScalarWidth(attr), scalar);
  return oracle::OCI_SUCCESS;
}

sword TNetItemHandle::SetAttr(ub4 attr, void* value, ub4 size) {
  if (!value) return TNetHandle::SetAttr(attr, value, size);
  if (attr == oracle::OCI_ATTR_CHARSET_ID) {
    charsetId = static_cast<int>(GetScalar(value, ScalarWidth(attr)));
    return oracle::OCI_SUCCESS;
  }
  if (attr == oracle::OCI_ATTR_CHARSET_FORM) {
    const auto form = static_cast<int>(GetScalar(value, ScalarWidth(attr)));
    if (form != oracle::SQLCS_IMPLICIT && form != oracle::SQLCS_NCHAR) return TNetHandle::SetAttr(attr, value, size);
    charsetForm = form;
    return oracle::OCI_SUCCESS;
  }
  return TNetHandle::SetAttr(attr, value, size);
}

sword TNetBind::SetAttr(ub4 attr, void* value, ub4 size) {
  if ((attr != oracle::OCI_ATTR_MAXDATA_SIZE && attr != oracle::OCI_ATTR_MAXCHAR_SIZE) || !value)
    return TNetDataItem::SetAttr(attr, value, size);
  // These answer with a bind's own widths, not a described column's.
  const int scalar = static_cast<int>(GetScalar(value, oracle::OciAttrShapeOf(HandleType(), attr).width));
  (attr == oracle::OCI_ATTR_MAXDATA_SIZE ? maxDataSize : maxCharSize) = scalar;
  return oracle::OCI_SUCCESS;
}

}  // namespace oranet
