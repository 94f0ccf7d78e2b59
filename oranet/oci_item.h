// The bind, define and described-column items of a statement. The
// statement fills them; the layer reads their description through the
// attributes below, each at its own width.
#pragma once

#include <string>

#include "oranet/oci_handle.h"

namespace oranet {

class TNetItemHandle : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;

  // 1 data size, 2 data type, 4 name, 5 precision, 6 scale, 7 null
  // allowed, 16 fractional-seconds precision, 286 character size.
  sword GetAttr(ub4 attr, void* value, ub4* size) override;
  // 31 character set id.
  sword SetAttr(ub4 attr, void* value, ub4 size) override;

  int dataType = 0;
  int dataSize = 0;
  std::string name;
  int precision = 0;
  int scale = 0;
  bool nullAllowed = false;
  int fsPrecision = 0;
  int charSize = 0;
  int charsetId = 0;
  int position = 0;  // 1-based

 protected:
  // Items answer with the widths of a described column.
  ub4 ShapeType() const override { return oracle::OCI_DTYPE_PARAM; }
};

class TNetBind : public TNetItemHandle {
 public:
  using TNetItemHandle::TNetItemHandle;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_BIND; }
};

class TNetDefine : public TNetItemHandle {
 public:
  using TNetItemHandle::TNetItemHandle;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_DEFINE; }
};

// A described column, as OCIParamGet hands it out.
class TNetParam : public TNetItemHandle {
 public:
  using TNetItemHandle::TNetItemHandle;
  ub4 HandleType() const override { return oracle::OCI_DTYPE_PARAM; }
};

}  // namespace oranet
