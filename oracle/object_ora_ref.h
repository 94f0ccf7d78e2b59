// TOraRef: a reference to an object in the object cache. The REF is kept in
// a cell of fixed address that binds and defines hand to the client
// library; the referenced object becomes the value's instance when it is
// pinned. A REF whose object cannot be pinned reads as null instead of
// raising.
#pragma once

#include <string>

#include "oracle/object_ora_object.h"

namespace oracle {

class TOraRef : public TOraObject {
  CLASSLIB_CLASS(TOraRef, TOraObject)
 public:
  explicit TOraRef(TOraType* object_type = nullptr);

  OCIRef* GetOCIRef() const { return *ref_cell_; }
  // A different REF frees the current object first. The value does not own
  // a REF set here. Setting it is a write (Modified); PointAt shows a REF
  // read from elsewhere (a parent's attribute or element) without one.
  void SetOCIRef(OCIRef* ref);
  void PointAt(OCIRef* ref);
  OCIRef** GetOCIRefCell() { return ref_cell_; }
  // A REF made for this value (by a fetch): the value owns it and frees it
  // when it goes or gets another REF.
  void TakeOCIRef(OCIRef* ref);
  bool Invalid() const { return invalid_; }

  bool GetIsNull() override;
  void SetIsNull(bool value) override;
  void Clear();
  // The object the REF leads to becomes the instance, pinned. Whatever
  // changes the REF (another REF, a copy, NULL) or ends the value unpins
  // it first: a pin never outlives the REF it was taken through.
  void Pin() override;
  // Unpins the object when this value pinned it, and lets it go.
  void Unpin() override;
  bool Pinned() const { return pinned_; }
  void Assign(TOraObject& source) override;
  // The REF as hexadecimal text; empty without a REF.
  std::string AsHex();

 protected:
  ~TOraRef() override;

 private:
  void FreeOwnRef();
  // Unpins the pinned object and lets it go (the REF stays).
  void ReleasePin();

  bool invalid_ = false;
  bool pinned_ = false;
  OCIRef** ref_cell_;
  OCIRef* own_ref_ = nullptr;  // a REF the value made for an assignment
};

}  // namespace oracle
