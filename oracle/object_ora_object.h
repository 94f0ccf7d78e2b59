// TOraObject: a value of a user-defined Oracle type. It owns (or borrows) an
// instance in the client library's object cache with the instance's
// null-indicator structure, both kept in pointer cells of fixed address that
// defines and binds hand to the client library. Attributes are addressed by
// paths of names and element selectors (ADDRESS.LINES[2].TEXT): reads walk
// the instance with the type's layout, writes go through the object cache.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "dacore/object_type.h"
#include "oracle/object_ora_type.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraLob;
class TOraTimeStamp;
class TOraInterval;

// Where an attribute path leads in an instance: the value's address, its
// indicator's address and the indicator (-1 when it or a level above is
// null). A missing collection element or nil pointer gives a nil address.
struct TAttributePlace {
  void* value = nullptr;
  OCIInd* indicator_ptr = nullptr;
  OCIInd indicator = OCI_IND_NULL;
  dacore::TAttribute* attribute = nullptr;
};

// Writes name at most this many attributes in one path of names (the object
// cache takes them as one array).
inline constexpr int kMaxAttributePathNames = 31;

class TOraObject : public dacore::TDBObject {
  CLASSLIB_CLASS(TOraObject, dacore::TDBObject)
 public:
  explicit TOraObject(TOraType* object_type = nullptr);

  OCISvcCtx* GetOCISvcCtx() const { return svc_ctx_; }
  void SetOCISvcCtx(OCISvcCtx* svc_ctx);
  TOraType* GetOraType() const { return static_cast<TOraType*>(ObjectType()); }
  // A different type frees the current instance first.
  void SetOraType(TOraType* type);
  // The error handle the value's calls report through: its session's
  // connection's while that session is open, else the environment's.
  OCIError* GetOCIError() const { return ErrorHandleOf(session_); }

  // ---- Checks.
  virtual void CheckType();
  void CheckSession();
  void CheckAlloc(bool raise_error = true);
  void CheckNotCached();

  // ---- The instance.
  virtual void AllocObject();
  void AllocObject(const std::string& type_name);
  void AllocObject(OCISvcCtx* svc_ctx, const std::string& type_name);
  virtual void FreeObject(bool free_child = true);
  virtual void Pin();
  virtual void Unpin();
  // Writes the object to the server, its LOB attributes' data with it.
  void Flush();
  void MarkDelete();
  // Marks the object changed in the object cache, so a flush writes it.
  void MarkUpdate();
  virtual OCIRef* GetObjectRef();
  virtual void Assign(TOraObject& source);

  virtual bool GetIsNull();
  virtual void SetIsNull(bool value);
  virtual void** GetIndicatorPtr() { return indicator_cell_; }
  void* GetInstance() const { return *instance_cell_; }
  void SetInstance(void* instance) { *instance_cell_ = instance; }
  void** GetInstanceCell() { return instance_cell_; }
  void* GetIndicator() const { return *indicator_cell_; }
  void SetIndicator(void* indicator) { *indicator_cell_ = indicator; }
  // Takes an instance the value does not own, freeing the current one.
  void AssignInstance(void* instance);
  // Takes another instance and indicator structure (a record store moving
  // the value onto another element) and points the child values kept so
  // far at their attributes in it.
  void ReplaceInstance(void* instance, void* indicator);
  // Before the object goes to the server (from an 8.1 client on): each LOB
  // attribute's value becomes a temporary LOB holding its data, whose
  // locator the attribute then holds; embedded objects and the object
  // elements of collection attributes likewise (a REF's object is not part
  // of this one). A collection does it for its object elements.
  virtual void WriteLobs();
  // Gives `target`, a copy of this value's instance, this value's LOB
  // attributes whole: the data held on the client (the copy holds their
  // locators only) and NULL ones as NULL, so no LOB value the target kept
  // from before survives; embedded objects' and collection elements' too.
  virtual void CopyLobsTo(TOraObject& target);
  // The LOB values kept for attributes show what the instance now holds
  // (another value was copied into it): NULL ones empty, the others read
  // from their locators; embedded objects' and collection elements' too.
  virtual void ResetLobs();
  // The value came back NULL from the server: the LOB values kept for its
  // attributes (embedded objects' too) go, their attributes null, so that
  // no later write sends the data they held before.
  void ForgetLobs();
  bool OwnsInstance() const { return owns_instance_; }
  bool AutoAlloc() const { return auto_alloc_; }
  void SetAutoAlloc(bool value) { auto_alloc_ = value; }
  bool Cached() const { return cached_; }
  void SetCached(bool value) { cached_ = value; }
  // Whether the value was written through its own methods (or those of a
  // value embedded in it) since the flag was last cleared. A record that
  // holds the value takes its null state from it when it is posted, and
  // the generated statement writes it.
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  // Counts the times the value was replaced as a whole (a copy of another
  // value, NULL set on it): a view over its contents (a nested data set)
  // that saw another count reads it again.
  uint32_t Replacements() const { return replacements_; }

  // ---- Embedded values.
  TOraObject* Owner() const { return owner_; }
  // Points a child's instance and indicator at its attribute's place here.
  virtual void ChildAlloc(TOraObject& child);

  // ---- Attributes by path.
  TAttributePlace GetAttribute(const std::string& path);
  // The indicator is the one truth of an attribute's NULL, but a LOB
  // attribute whose LOB value was written since (data given, or emptied
  // through a field) is NULL exactly when that value is empty; the next
  // write of the object brings the indicator in step.
  bool AttrIsNull(const std::string& path);
  // NULL set on a LOB attribute empties the LOB value kept for it too.
  void SetAttrIsNull(const std::string& path, bool value);
  std::string AttrAsString(const std::string& path);
  void SetAttrAsString(const std::string& path, const std::string& value);
  int32_t AttrAsInteger(const std::string& path);
  void SetAttrAsInteger(const std::string& path, int32_t value);
  int64_t AttrAsLargeInt(const std::string& path);
  void SetAttrAsLargeInt(const std::string& path, int64_t value);
  double AttrAsFloat(const std::string& path);
  void SetAttrAsFloat(const std::string& path, double value);
  classlib::TDateTime AttrAsDateTime(const std::string& path);
  void SetAttrAsDateTime(const std::string& path, classlib::TDateTime value);
  // The value objects of composite attributes, made on first use and kept.
  TOraObject* AttrAsObject(const std::string& path);
  TOraLob* AttrAsLob(const std::string& path);
  TOraTimeStamp* AttrAsTimeStamp(const std::string& path);
  TOraInterval* AttrAsInterval(const std::string& path);

  // ---- The record store's attribute fields.
  void GetAttributeValue(const std::string& name, void* dest, bool& is_blank) override;
  void SetAttributeValue(const std::string& name, const void* source) override;

 protected:
  ~TOraObject() override;
  // Marks this value and every value it is embedded in as written.
  void MarkModified();
  // The value was replaced as a whole (see Replacements).
  void MarkReplaced() { ++replacements_; }

  OCIEnv* Env() const { return env_; }
  // A value that makes its instance by other calls than OCIObjectNew (an
  // XML value) owns it as well.
  void SetOwnsInstance(bool value) { owns_instance_ = value; }
  // Writes one attribute through the object cache: null_status and a value
  // of the attribute's native form (OCINumber, OCIString*, OCIDate ...). A
  // value given makes the object, and each one it is embedded in, present.
  void WriteAttribute(const std::string& path, OCIInd null_status, const void* value);
  // The child value of one attribute (no dots), made on first use.
  dacore::TSharedObject* Child(const std::string& name);
  // The child value a dotted path leads to, one level at a time.
  dacore::TSharedObject* ChildAt(const std::string& path);

 private:
  void WriteAttributePath(const std::string& path, OCIInd null_status, const void* value);
  // This value and each one it is embedded in become not NULL.
  void MarkPresent();
  void ReleaseChildren();
  // Points every kept child value at its attribute in the current instance.
  void RepointChildren();
  dacore::TSharedObject* MakeChild(dacore::TAttribute& attribute);
  // The attribute the path names, for the typed accessors.
  dacore::TAttribute& AttributeOf(const std::string& path);
  // The NUMBER a path leads to; nil when it is null.
  const OCINumber* NumberAt(const std::string& path);
  // The LOB value kept for the attribute a path of names leads to, made
  // by nobody here: nil when there is none yet.
  TOraLob* KeptLob(const std::string& path) const;
  // The locator the attribute of child slot i holds in the instance.
  void* StoredPointer(std::size_t i) const;
  // The LOB value of child slot i shows what the instance holds.
  void ResetLob(std::size_t i);

  OCISvcCtx* svc_ctx_ = nullptr;
  OCIEnv* env_ = nullptr;
  bool owns_instance_ = false;
  std::vector<dacore::TSharedObject*> children_;  // by attribute number - 1
  bool auto_alloc_ = true;
  TOraObject* owner_ = nullptr;
  TSvcCtxToken session_;  // the session of svc_ctx_, for the error handle
  void** instance_cell_;
  void** indicator_cell_;
  OCIRef* ref_ = nullptr;
  bool cached_ = false;
  bool modified_ = false;
  uint32_t replacements_ = 0;
};

}  // namespace oracle
