// The stand-in's XML values: instances of the declared type SYS.XMLTYPE
// holding their text, made empty, from a string object or from a CLOB, and
// read back through a stream descriptor in pieces.
#include <algorithm>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

ObjectTypeDef* XmlType(State& state) {
  auto found = state.objects.types.find("SYS.XMLTYPE");
  return found == state.objects.types.end() ? nullptr : found->second.get();
}

// A new instance of SYS.XMLTYPE with its text.
sword NewXml(State& state, OCIError* error, const std::string& text, void** instance) {
  ObjectTypeDef* type = XmlType(state);
  if (!type) return Fail(state, error, 22303, "ORA-22303: type \"SYS\".\"XMLTYPE\" not found");
  auto object = std::make_unique<ObjectInstance>();
  object->type = type;
  object->data = std::make_unique<Block>(std::max<std::size_t>(type->instance_size, 1));
  object->indicators = std::make_unique<Block>(std::max<std::size_t>(type->indicator_size, sizeof(OCIInd)));
  *reinterpret_cast<OCIInd*>(object->indicators->data()) = OCI_IND_NOTNULL;
  object->xml = text;
  *instance = object->data->data();
  state.objects.instances[*instance] = std::move(object);
  return OCI_SUCCESS;
}

std::string Utf8(const std::u16string& units) {
  std::string text;
  for (char16_t unit : units) {
    if (unit < 0x80) {
      text += static_cast<char>(unit);
    } else if (unit < 0x800) {
      text += static_cast<char>(0xC0 | (unit >> 6));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | (unit >> 12));
      text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return text;
}

ObjectInstance* XmlInstance(State& state, const void* pointer) {
  auto found = state.objects.instances.find(const_cast<void*>(pointer));
  if (found == state.objects.instances.end() || !found->second->type || !IsXmlType(*found->second->type))
    return nullptr;
  return found->second.get();
}

}  // namespace

extern "C" {

sword OCIXMLTypeNew(OCISvcCtx* context, OCIError* error, ub2 duration, const OraText*, ub4 element_name_length,
                    const OraText*, ub4 schema_url_length, void** instance) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIXMLTypeNew duration=" + std::to_string(duration) + " element=" +
                 std::to_string(element_name_length) + " schema=" + std::to_string(schema_url_length));
  if (sword status = InjectedStatus(state, "OCIXMLTypeNew", error)) return status;
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !instance) return OCI_INVALID_HANDLE;
  return NewXml(state, error, "", instance);
}

// source_type 1: an OCIString*; 2: a CLOB locator.
sword OCIXMLTypeCreateFromSrc(OCISvcCtx* context, OCIError* error, ub2 duration, ub1 source_type, void* source,
                              sb4, void** instance) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string text;
  bool known = false;
  if (source_type == 1 && state.objects.strings.count(static_cast<ObjectString*>(source))) {
    text = static_cast<ObjectString*>(source)->text;
    known = true;
  } else if (Handle* locator = source_type == 2 ? Live(state, source, OCI_DTYPE_LOB) : nullptr) {
    auto lob = state.values.lobs.find(locator->value.lob);
    if (lob != state.values.lobs.end() && lob->second.kind == 2) {
      text = Utf8(lob->second.units);
      known = true;
    }
  }
  Log(state, "OCIXMLTypeCreateFromSrc duration=" + std::to_string(duration) +
                 " source=" + std::to_string(source_type) + " length=" + std::to_string(text.size()));
  if (sword status = InjectedStatus(state, "OCIXMLTypeCreateFromSrc", error)) return status;
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !instance) return OCI_INVALID_HANDLE;
  if (!known) return Fail(state, error, 19010, "ORA-19010: cannot insert XML fragments from this source");
  return NewXml(state, error, text, instance);
}

sword OCIPStreamFromXMLType(OCIError* error, void* stream, void* xml, sword) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIPStreamFromXMLType");
  if (sword status = InjectedStatus(state, "OCIPStreamFromXMLType", error)) return status;
  Handle* handle = Live(state, stream, OCI_DTYPE_XML_STREAM);
  if (!handle || !XmlInstance(state, xml)) return OCI_INVALID_HANDLE;
  handle->pointers[OCI_DTYPE_XML_STREAM] = xml;
  handle->value.streaming = true;
  handle->value.stream_at = 0;
  return OCI_SUCCESS;
}

// Hands over at most *size bytes and sets *size to the bytes given; 0 at the end.
sword OCIPStreamRead(OCIError* error, void* stream, void* buffer, sb8* size, sword) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* handle = Live(state, stream, OCI_DTYPE_XML_STREAM);
  ObjectInstance* xml = handle && handle->value.streaming
                            ? XmlInstance(state, handle->pointers[OCI_DTYPE_XML_STREAM])
                            : nullptr;
  const sb8 asked = size ? *size : 0;
  std::size_t given = 0;
  if (xml && asked > 0 && handle->value.stream_at < xml->xml.size())
    given = std::min<std::size_t>(static_cast<std::size_t>(asked), xml->xml.size() - handle->value.stream_at);
  Log(state, "OCIPStreamRead asked=" + std::to_string(asked) + " given=" + std::to_string(given));
  if (sword status = InjectedStatus(state, "OCIPStreamRead", error)) return status;
  if (!xml || !buffer || !size) return OCI_INVALID_HANDLE;
  std::memcpy(buffer, xml->xml.data() + handle->value.stream_at, given);
  handle->value.stream_at += given;
  *size = static_cast<sb8>(given);
  return OCI_SUCCESS;
}

sword OCIPStreamClose(OCIError* error, void* stream) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIPStreamClose");
  if (sword status = InjectedStatus(state, "OCIPStreamClose", error)) return status;
  Handle* handle = Live(state, stream, OCI_DTYPE_XML_STREAM);
  if (!handle) return OCI_INVALID_HANDLE;
  handle->value.streaming = false;
  return OCI_SUCCESS;
}

}  // extern "C"
