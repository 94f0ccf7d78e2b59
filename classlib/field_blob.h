// Blob fields: binary, text (memo) and UTF-16 text (wide memo) values of any
// length. They keep nothing in the record buffer themselves: every read and
// write goes through a stream the data set makes (CreateBlobStream).
#pragma once

#include <memory>

#include "classlib/field.h"

namespace classlib {

class TStream;

class TBlobField : public TField {
  CLASSLIB_CLASS(TBlobField, TField)
 public:
  explicit TBlobField(TComponent* owner);

  bool IsBlob() const override { return true; }
  // Set once a value was written during the current edit; the data set
  // clears it when the record is posted or cancelled.
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  int BlobSize() const;
  int BlobType() const { return static_cast<int>(DataType()); }

  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;
  void Clear() override;
  void FreeBuffers() override { modified_ = false; }
  // Any size is valid: a blob's Size is only a hint for displays.
  void CheckTypeSize(int) const override {}

 protected:
  // Whole contents as bytes.
  std::string ReadBytes() const;
  void WriteBytes(const std::string& bytes);

  bool GetIsNull() const override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringValue(const WideString& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  std::string GetTextValue(bool display_text) const override;
  void AssignField(const TField& source) override;

 private:
  bool modified_ = false;
};

class TMemoField : public TBlobField {
  CLASSLIB_CLASS(TMemoField, TBlobField)
 public:
  explicit TMemoField(TComponent* owner);

 protected:
  std::string GetTextValue(bool display_text) const override;
  Variant GetAsVariant() const override;
};

// UTF-16 text in the stream; AsString converts from and to ANSI.
class TWideMemoField : public TBlobField {
  CLASSLIB_CLASS(TWideMemoField, TBlobField)
 public:
  explicit TWideMemoField(TComponent* owner);

 protected:
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  WideString GetAsWideString() const override;
  void SetAsWideStringValue(const WideString& value) override;
  std::string GetTextValue(bool display_text) const override;
  Variant GetAsVariant() const override;
};

}  // namespace classlib
