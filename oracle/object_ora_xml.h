// TOraXML: a value of "SYS"."XMLTYPE". Its text is kept on the client once
// read or set; a value made from text hands it to the server directly up to
// 4000 characters and through a temporary CLOB beyond. A value over a
// server instance reads its text through a stream on first use.
#pragma once

#include <string>

#include "oracle/object_ora_object.h"

namespace oracle {

class TOraXML : public TOraObject {
  CLASSLIB_CLASS(TOraXML, TOraObject)
 public:
  explicit TOraXML(TOraType* object_type = nullptr);

  // Longer texts are handed over through a temporary CLOB.
  static constexpr std::size_t kDirectTextLimit = 4000;
  // The stream is read in chunks of this many bytes (one less asked each time).
  static constexpr std::size_t kReadChunk = 65514;

  void CheckType() override;
  bool GetIsNull() override;
  void SetIsNull(bool value) override;
  void** GetIndicatorPtr() override;
  void AllocObject() override;
  void AllocObject(const std::string& type_name);
  void AllocObject(OCISvcCtx* svc_ctx, const std::string& type_name);
  void FreeObject(bool free_child = true) override;
  void Assign(TOraObject& source) override;

  std::string AsString();
  void SetAsString(const std::string& text);
  // From now on the server instance is the value (an output bind's server
  // writes it): text read or set before is dropped, and read again when asked.
  void ForgetText();

 protected:
  ~TOraXML() override;

 private:
  void LoadText();
  void CloseStream();
  // The server instance built from the local text.
  void* CreateFromText();

  void* stream_ = nullptr;
  std::string text_;
  bool text_unloaded_ = true;
  OCIInd xml_indicator_ = OCI_IND_NULL;
  OCIInd* xml_indicator_cell_;  // the address binds and defines take
};

}  // namespace oracle
