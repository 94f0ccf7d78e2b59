// Blob fields of the buffered data sets: binary blobs that may live only on
// the client, and text blobs that may hold UTF-8.
#pragma once

#include "classlib/field_blob.h"

namespace fib {

class TFIBBlobField : public classlib::TBlobField {
  CLASSLIB_CLASS(TFIBBlobField, classlib::TBlobField)
 public:
  explicit TFIBBlobField(classlib::TComponent* owner);

  // A blob the client fills itself, with no server value behind it: it is
  // null exactly when it is empty.
  bool IsClientField() const { return is_client_field_; }
  void SetIsClientField(bool value) { is_client_field_ = value; }

 protected:
  bool GetIsNull() const override;
  classlib::Variant GetAsVariant() const override;

 private:
  bool is_client_field_ = false;
};

class TFIBMemoField : public classlib::TMemoField {
  CLASSLIB_CLASS(TFIBMemoField, classlib::TMemoField)
 public:
  explicit TFIBMemoField(classlib::TComponent* owner);

  // The column's character set id; 3 (UNICODE_FSS) means the text is UTF-8.
  int CharSetId() const { return charset_id_; }
  void SetCharSetId(int value) { charset_id_ = value; }
  // The blob's bytes arrive as UTF-8 and the field converts them by
  // character set (psSupportUnicodeBlobs): its text is ANSI (code page
  // 1251) and its wide text the decoded UTF-8; texts written are encoded
  // back. Set by the data set when it opens.
  bool ConvertsUtf8() const { return converts_utf8_; }
  void SetConvertsUtf8(bool value) { converts_utf8_ = value; }

 protected:
  classlib::Variant GetAsVariant() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  classlib::WideString GetAsWideString() const override;
  void SetAsWideStringValue(const classlib::WideString& value) override;

 private:
  static constexpr int kUnicodeFss = 3;
  int charset_id_ = 0;
  bool converts_utf8_ = false;
};

}  // namespace fib
