// The bind, define and described-column items of a statement. The
// statement fills them; the layer reads their description through the
// attributes below, each at its own width.
#pragma once

#include <cstdint>
#include <string>

#include "oranet/oci_handle.h"

namespace oranet {

class TNetItemHandle : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;

  // 1 data size, 2 data type, 4 name, 5 precision, 6 scale, 7 null
  // allowed, 16 fractional-seconds precision, 32 character set form, 286
  // character size.
  sword GetAttr(ub4 attr, void* value, ub4* size) override;
  // 31 character set id; 32 character set form (1 or 2: a national bind
  // is announced so, and the server keeps its value in the national set).
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
  // 1 the database's own character set, 2 the national one.
  int charsetForm = oracle::SQLCS_IMPLICIT;
  int position = 0;  // 1-based

 protected:
  // Items answer with the widths of a described column.
  ub4 ShapeType() const override { return oracle::OCI_DTYPE_PARAM; }
};

// The callbacks of dynamic binds and defines, as the caller registers them.
using TNetInBindCallback = oracle::sb4 (*)(void* context, oracle::OCIBind* bind, ub4 iteration, ub4 index,
                                           void** buffer, ub4* length, ub1* piece, void** indicator);
using TNetOutBindCallback = oracle::sb4 (*)(void* context, oracle::OCIBind* bind, ub4 iteration, ub4 index,
                                            void** buffer, ub4** length, ub1* piece, void** indicator,
                                            ub2** returnCode);
using TNetDefineCallback = oracle::sb4 (*)(void* context, oracle::OCIDefine* define, ub4 iteration, void** buffer,
                                           ub4** length, ub1* piece, void** indicator, ub2** returnCode);

// Element n of an array of `skip`-byte elements at base; null without one.
template <class T>
T* ElementAt(void* base, ub4 skip, ub4 n) {
  if (!base) return nullptr;
  return reinterpret_cast<T*>(static_cast<uint8_t*>(base) + static_cast<size_t>(skip) * n);
}

// A bind or define: where its values live in the caller's memory. Element
// n of a row (or of an array) is found at address + n x skip; a skip the
// caller did not set is the element's own size.
class TNetDataItem : public TNetItemHandle {
 public:
  using TNetItemHandle::TNetItemHandle;

  // The OCI external type the caller's buffer holds.
  int externalType = 0;
  void* value = nullptr;
  int valueSize = 0;
  void* indicator = nullptr;  // sb2 per element
  ub2* length = nullptr;
  ub2* returnCode = nullptr;
  ub4 valueSkip = 0;
  ub4 indicatorSkip = 0;
  ub4 lengthSkip = 0;
  ub4 returnCodeSkip = 0;
  // Binds of PL/SQL tables: the capacity and the caller's element count.
  ub4 maxArray = 0;
  ub4* currentArray = nullptr;
  // The longest value the current call announced for the item; values
  // sent are cut to it.
  int wireLength = 0;

  bool IsArray() const { return maxArray > 0; }
  // Inline: every value of every fetched row passes here.
  uint8_t* ValueAt(ub4 n) const {
    return ElementAt<uint8_t>(value, valueSkip ? valueSkip : static_cast<ub4>(valueSize > 0 ? valueSize : 0), n);
  }
  oracle::sb2* IndicatorAt(ub4 n) const {
    return ElementAt<oracle::sb2>(indicator, indicatorSkip ? indicatorSkip : sizeof(oracle::sb2), n);
  }
  ub2* LengthAt(ub4 n) const { return ElementAt<ub2>(length, lengthSkip ? lengthSkip : sizeof(ub2), n); }
  ub2* ReturnCodeAt(ub4 n) const {
    return ElementAt<ub2>(returnCode, returnCodeSkip ? returnCodeSkip : sizeof(ub2), n);
  }
};

class TNetBind : public TNetDataItem {
 public:
  using TNetDataItem::TNetDataItem;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_BIND; }
  // Besides the character set, 33 and 163 (the longest value in bytes and
  // characters), which the layer sets on every text bind of a 9.0 client:
  // kept, as the bind's own size already bounds what is sent.
  sword SetAttr(ub4 attr, void* value, ub4 size) override;

  int maxDataSize = 0;
  int maxCharSize = 0;

  void* inContext = nullptr;
  TNetInBindCallback inCallback = nullptr;
  void* outContext = nullptr;
  TNetOutBindCallback outCallback = nullptr;
};

class TNetDefine : public TNetDataItem {
 public:
  using TNetDataItem::TNetDataItem;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_DEFINE; }

  void* callbackContext = nullptr;
  TNetDefineCallback callback = nullptr;
};

// A described column, as OCIParamGet hands it out.
class TNetParam : public TNetItemHandle {
 public:
  using TNetItemHandle::TNetItemHandle;
  ub4 HandleType() const override { return oracle::OCI_DTYPE_PARAM; }
};

}  // namespace oranet
