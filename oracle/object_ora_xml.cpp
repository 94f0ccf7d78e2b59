// XML values: the text kept on the client, the server instance made from it
// (directly, or through a temporary CLOB for long texts), the stream that
// reads a server instance's text, and the null state the two sides share.
#include "oracle/object_ora_xml.h"

#include <vector>

#include "oracle/call_entries.h"
#include "oracle/call_entries_collections.h"
#include "oracle/call_entries_objects.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_names.h"
#include "oracle/value_data_types.h"

namespace oracle {

namespace {

constexpr const char* kXmlTypeName = "\"SYS\".\"XMLTYPE\"";

[[noreturn]] void NotXml() { RaiseOraException("Type of object must be XML"); }

}  // namespace

TOraXML::TOraXML(TOraType* object_type) : TOraObject(object_type), xml_indicator_cell_(&xml_indicator_) {
  if (object_type && object_type->DataType() != dtXML) NotXml();
}

TOraXML::~TOraXML() {
  try {
    FreeObject(true);
  } catch (...) {
    // A destructor cannot report: the cache frees the rest with its session.
  }
}

void TOraXML::CheckType() {
  if (!GetOraType()) {
    CheckSession();
    if (TOraType* found = TOraType::FindType(GetOCISvcCtx(), kXmlTypeName)) {
      SetOraType(found);
    } else {
      auto* type = new TOraType(GetOCISvcCtx(), kXmlTypeName);
      SetOraType(type);
      type->Release();  // the value holds it now
    }
  }
  if (GetOraType()->DataType() != dtXML) NotXml();
}

bool TOraXML::GetIsNull() {
  if (!text_unloaded_) return false;
  const auto* indicator = static_cast<const OCIInd*>(GetIndicator());
  const bool object_null = !indicator || *indicator != OCI_IND_NOTNULL;
  return xml_indicator_ != OCI_IND_NOTNULL && object_null;
}

void TOraXML::SetIsNull(bool value) {
  text_unloaded_ = true;
  xml_indicator_ = OCI_IND_NULL;
  text_.clear();
  TOraObject::SetIsNull(value);
}

void** TOraXML::GetIndicatorPtr() {
  if (xml_indicator_ != OCI_IND_NOTNULL) return TOraObject::GetIndicatorPtr();
  return reinterpret_cast<void**>(&xml_indicator_cell_);
}

void TOraXML::AllocObject() {
  CheckSession();
  CheckType();
  if (Owner()) {
    TOraObject::AllocObject();
    return;
  }
  if (!GetInstance()) {
    SetInstance(CreateFromText());
    SetOwnsInstance(true);
  }
  if (!GetIndicator()) {
    void* indicator = nullptr;
    CheckOciStatus(OCIObjectGetInd(Env(), GetOCIError(), GetInstance(), &indicator), GetOCIError());
    SetIndicator(indicator);
  }
}

void* TOraXML::CreateFromText() {
  OCIXMLType* instance = nullptr;
  OCIError* error = GetOCIError();
  if (text_unloaded_ || text_.empty()) {
    CheckOciStatus(OCIXMLTypeNew(GetOCISvcCtx(), error, OCI_DURATION_SESSION, reinterpret_cast<const OraText*>(""),
                                 0, reinterpret_cast<const OraText*>(""), 0, &instance),
                   error);
    return instance;
  }
  if (text_.size() > kDirectTextLimit) {
    auto* lob = new TOraLob(GetOCISvcCtx());
    try {
      lob->CreateTemporary(ltClob);
      lob->Write(0, static_cast<uint32_t>(text_.size()), text_.data());
      lob->WriteLob();
      CheckOciStatus(OCIXMLTypeCreateFromSrc(GetOCISvcCtx(), error, OCI_DURATION_SESSION, OCI_XMLTYPE_CREATE_CLOB,
                                             lob->GetOCILobLocator(), 0, &instance),
                     error);
    } catch (...) {
      lob->Release();
      throw;
    }
    lob->Release();  // frees the temporary LOB: the value holds its own copy
    return instance;
  }
  void* text = nullptr;
  CheckOciStatus(OCIObjectNew(Env(), error, GetOCISvcCtx(), OCI_TYPECODE_VARCHAR, nullptr, nullptr,
                              OCI_DURATION_SESSION, 1, &text),
                 error);
  auto* string = static_cast<OCIString*>(text);
  sword status = OCIStringAssignText(Env(), error, reinterpret_cast<const OraText*>(text_.data()),
                                     static_cast<ub4>(text_.size()), &string);
  if (status == OCI_SUCCESS)
    status = OCIXMLTypeCreateFromSrc(GetOCISvcCtx(), error, OCI_DURATION_SESSION, OCI_XMLTYPE_CREATE_OCISTRING,
                                     string, 0, &instance);
  OCIObjectFree(Env(), error, string, 0);
  CheckOciStatus(status, error);
  return instance;
}

void TOraXML::AllocObject(const std::string& type_name) {
  if (NormalizeOraName(type_name) != kXmlTypeName) NotXml();
  TOraObject::AllocObject(type_name);
}

void TOraXML::AllocObject(OCISvcCtx* svc_ctx, const std::string& type_name) {
  if (NormalizeOraName(type_name) != kXmlTypeName) NotXml();
  TOraObject::AllocObject(svc_ctx, type_name);
}

void TOraXML::FreeObject(bool free_child) {
  CloseStream();
  text_.clear();
  // The instance goes with the value that made it; one taken from elsewhere stays.
  TOraObject::FreeObject(free_child);
}

void TOraXML::CloseStream() {
  void* stream = stream_;
  stream_ = nullptr;
  if (!stream) return;
  OCIPStreamClose(GetOCIError(), stream);
  OCIDescriptorFree(stream, OCI_DTYPE_XML_STREAM);
}

void TOraXML::LoadText() {
  OCIError* error = GetOCIError();
  CheckOciStatus(OCIDescriptorAlloc(Env(), &stream_, OCI_DTYPE_XML_STREAM, 0, nullptr), error);
  CheckOciStatus(OCIPStreamFromXMLType(error, stream_, GetInstance(), 0), error);
  std::vector<char> chunk(kReadChunk);
  std::string text;
  for (;;) {
    sb8 size = static_cast<sb8>(kReadChunk - 1);
    CheckOciStatus(OCIPStreamRead(error, stream_, chunk.data(), &size, 0), error);
    if (size <= 0) break;
    text.append(chunk.data(), static_cast<std::size_t>(size));
  }
  CloseStream();
  text_ = text;
  text_unloaded_ = false;
}

std::string TOraXML::AsString() {
  if (text_unloaded_) {
    if (GetIsNull() || !GetInstance()) return "";
    LoadText();
  }
  return text_;
}

void TOraXML::SetAsString(const std::string& text) {
  MarkModified();
  CheckType();
  FreeObject(true);
  text_ = text;
  text_unloaded_ = text.empty();
}

void TOraXML::ForgetText() {
  CloseStream();
  text_.clear();
  text_unloaded_ = true;
}

void TOraXML::Assign(TOraObject& source) {
  auto* other = dynamic_cast<TOraXML*>(&source);
  if (!other) NotXml();
  SetAsString(other->AsString());
}

}  // namespace oracle
