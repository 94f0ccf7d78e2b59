// TDAParam and TDAParams: statement parameters whose large values (blobs,
// memos, wide memos, and a driver's own object values) live in a
// reference-counted value object rather than in the Variant.
//
// An object type's parameter always holds its value object: setting the
// type creates it, changing to another type releases it. A driver dialect
// widens the object types through IsObjectDataType and CreateObject.
#pragma once

#include <string>

#include "classlib/params.h"
#include "dacore/blob.h"
#include "dacore/object_shared.h"

namespace dacore {

class TDAParam : public classlib::TParam {
  CLASSLIB_CLASS(TDAParam, classlib::TParam)
 public:
  explicit TDAParam(classlib::TCollection* params);
  ~TDAParam() override;

  // ftBlob, ftMemo and ftWideMemo.
  virtual bool IsBlobDataType(classlib::TFieldType type) const;
  bool IsBlob() const { return IsBlobDataType(DataType()); }
  // Types whose values live in a value object; the blob types here.
  virtual bool IsObjectDataType(classlib::TFieldType type) const { return IsBlobDataType(type); }

  void SetDataType(classlib::TFieldType type) override;

  // ---- Values, through the blob for blob types
  classlib::Variant Value() const override;
  void SetValue(const classlib::Variant& value) override;
  bool IsNull() const override;
  void Clear() override;
  void SetText(const std::string& text) override;
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
  classlib::WideString AsWideString() const override;
  void SetAsWideString(const classlib::WideString& value) override;
  void SetAsBlob(const classlib::TBlobData& value) override;
  void SetAsMemo(const std::string& value) override;

  // ---- The value object
  TSharedObject* ParamObject() const { return object_; }
  // Releases the current object and holds `object` (one more reference);
  // the Variant reads "Object".
  void SetParamObject(TSharedObject* object);
  // With type ftUnknown the type becomes ftBlob; nullptr when no blob is held.
  TBlob* AsBlobRef();
  void SetAsBlobRef(TBlob* blob);
  // With type ftUnknown: ftWideMemo over a wide-text blob, else ftMemo.
  TBlob* AsMemoRef();
  void SetAsMemoRef(TBlob* blob);

  // blob_type: ftBlob, ftMemo, ftOraBlob, ftOraClob or ftWideMemo, else
  // Exception "Data type is not supported". Reads the whole stream.
  void LoadFromStream(classlib::TStream& stream, classlib::TFieldType blob_type) override;

  // From a TDAParam (an object value is shared, not copied), a TParam, a
  // TField, a TStrings (its text) or an IStreamPersist (its saved bytes, as
  // the current type).
  void Assign(const classlib::TPersistent* source) override;

 protected:
  // Makes the value object of the current type; none may exist yet.
  virtual void CreateObject();
  void FreeObject();
  TBlob* Blob() const { return dynamic_cast<TBlob*>(object_); }

 private:
  void AssignDAParam(const TDAParam& source);

  TSharedObject* object_ = nullptr;
};

class TDAParams : public classlib::TParams {
  CLASSLIB_CLASS(TDAParams, classlib::TParams)
 public:
  explicit TDAParams(classlib::TPersistent* owner = nullptr);

  TDAParam* Items(int index) const { return static_cast<TDAParam*>(TParams::Items(index)); }
  TDAParam* ParamByName(std::string_view name) const {
    return static_cast<TDAParam*>(TParams::ParamByName(name));
  }
  TDAParam* FindParam(std::string_view name) const {
    return static_cast<TDAParam*>(TParams::FindParam(name));
  }
  // The type goes through SetDataType, so an object type gets its object.
  TDAParam* CreateParam(classlib::TFieldType type, const std::string& name,
                        classlib::TParamType param_type);

 protected:
  // For a dialect whose items are a TDAParam subclass.
  TDAParams(classlib::TCollectionItemClass item_class, classlib::TPersistent* owner);
};

}  // namespace dacore
