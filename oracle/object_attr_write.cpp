// Writing attributes through the object cache: names are handed over as one
// path of at most 31 names; a non-final object on the way is fetched first
// so that the write addresses it directly, and an element selector appends
// null elements until the element exists.
#include <array>

#include "classlib/exceptions.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_entries_values.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/object_ora_object.h"
#include "oracle/object_path.h"
#include "oracle/value_data_types.h"

namespace oracle {

dacore::TAttribute* FindOraAttribute(const dacore::TObjectType& type, const std::string& upper_name);

namespace {

using dacore::TAttribute;

[[noreturn]] void InvalidName() { RaiseOraException("Invalid attribute name"); }

// The names of one stretch of a path, as the object cache takes them.
class NamePath {
 public:
  void Add(const std::string& name) {
    if (count_ == kMaxAttributePathNames)
      RaiseOraException("Attribute path is too long: at most 31 names can be written");
    names_[count_] = reinterpret_cast<const OraText*>(name.data());
    lengths_[count_] = static_cast<ub4>(name.size());
    ++count_;
  }
  void Clear() { count_ = 0; }
  const OraText** Names() { return names_.data(); }
  const ub4* Lengths() const { return lengths_.data(); }
  ub4 Count() const { return static_cast<ub4>(count_); }

 private:
  std::array<const OraText*, kMaxAttributePathNames> names_{};
  std::array<ub4, kMaxAttributePathNames> lengths_{};
  int count_ = 0;
};

// Where the write stands: an instance, its indicator structure and type,
// and the type reached inside it through embedded objects.
struct WritePlace {
  void* instance;
  void* indicator;
  TOraType* instance_type;
  TOraType* type;
};

}  // namespace

// A null element of the collection's element type, appended.
void AppendNullElement(OCIEnv* env, OCIError* error, OCISvcCtx* svc_ctx, OCIColl* collection,
                       const TAttribute& element) {
  OCIInd null_indicator = OCI_IND_NULL;
  switch (element.DataType()) {
    case dacore::dtString: {
      OCIString* text = nullptr;
      CheckOciStatus(OCIStringAssignText(env, error, reinterpret_cast<const OraText*>(""), 0, &text), error);
      const sword status = OCICollAppend(env, error, text, &null_indicator, collection);
      OCIStringResize(env, error, 0, &text);
      CheckOciStatus(status, error);
      return;
    }
    case dacore::dtInt32: case dacore::dtInt64: case dacore::dtFloat: {
      OCINumber number{};
      const int64_t zero = 0;
      CheckOciStatus(OCINumberFromInt(error, &zero, sizeof zero, OCI_NUMBER_SIGNED, &number), error);
      CheckOciStatus(OCICollAppend(env, error, &number, &null_indicator, collection), error);
      return;
    }
    case dacore::dtDateTime: {
      OCIDate date{};
      date.OCIDateYYYY = 1;
      date.OCIDateMM = 1;
      date.OCIDateDD = 1;
      CheckOciStatus(OCICollAppend(env, error, &date, &null_indicator, collection), error);
      return;
    }
    case dacore::dtObject: {
      auto* type = static_cast<TOraType*>(element.ObjectType());
      void* instance = nullptr;
      void* indicator = nullptr;
      CheckOciStatus(OCIObjectNew(env, error, svc_ctx, type->TypeCode(), type->TDO(), nullptr,
                                  OCI_DURATION_SESSION, 1, &instance),
                     error);
      sword status = OCIObjectGetInd(env, error, instance, &indicator);
      if (status == OCI_SUCCESS) {
        *static_cast<OCIInd*>(indicator) = OCI_IND_NULL;
        status = OCICollAppend(env, error, instance, indicator, collection);
      }
      OCIObjectFree(env, error, instance, 0);
      CheckOciStatus(status, error);
      return;
    }
    default:
      RaiseOraException("Unknown data type");
  }
}

void TOraObject::WriteAttribute(const std::string& path, OCIInd null_status, const void* value) {
  // A write that fails half-way may have appended elements: it counts too.
  MarkModified();
  WriteAttributePath(path, null_status, value);
  if (null_status != OCI_IND_NULL) MarkPresent();
}

void TOraObject::MarkPresent() {
  for (TOraObject* value = this; value; value = value->owner_)
    if (auto* indicator = static_cast<OCIInd*>(value->GetIndicator())) *indicator = OCI_IND_NOTNULL;
}

void TOraObject::WriteAttributePath(const std::string& path, OCIInd null_status, const void* value) {
  const std::vector<TPathStep> steps = ParseAttributePath(path);
  CheckAlloc(true);
  OCIError* error = GetOCIError();
  WritePlace at{GetInstance(), GetIndicator(), GetOraType(), GetOraType()};
  NamePath names;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const TPathStep& step = steps[i];
    if (step.is_index || !at.type) InvalidName();
    TAttribute* attribute = FindOraAttribute(*at.type, step.name);
    if (!attribute) InvalidName();
    names.Add(step.name);
    const bool last = i + 1 == steps.size();
    if (last) {
      CheckOciStatus(OCIObjectSetAttr(Env(), error, at.instance, at.indicator, at.instance_type->TDO(), names.Names(),
                                      names.Lengths(), names.Count(), nullptr, 0, null_status, nullptr, value),
                     error);
      return;
    }
    auto* nested = static_cast<TOraType*>(attribute->ObjectType());
    const TPathStep& next = steps[i + 1];
    const bool collection =
        nested && (nested->DataType() == dacore::dtArray || nested->DataType() == dacore::dtTable);
    if (!nested || attribute->DataType() == dacore::dtReference) InvalidName();
    if (next.is_index != collection) InvalidName();
    if (!collection && nested->Final()) {
      at.type = nested;  // embedded: the names go on
      continue;
    }
    // Fetched first: a non-final object or a collection is reached through a pointer.
    OCIInd status = OCI_IND_NULL;
    void* indicator = nullptr;
    void* target = nullptr;
    OCIType* target_type = nullptr;
    CheckOciStatus(OCIObjectGetAttr(Env(), error, at.instance, at.indicator, at.instance_type->TDO(), names.Names(),
                                    names.Lengths(), names.Count(), nullptr, 0, &status, &indicator, &target,
                                    &target_type),
                   error);
    if (!target) RaiseOraException("Object is not allocated");
    names.Clear();
    if (!collection) {
      at = WritePlace{target, indicator, nested, nested};
      continue;
    }
    // Element selectors: append null elements until the element exists.
    auto* elements = static_cast<OCIColl*>(target);
    const TAttribute& element = *nested->GetAttributes(0);
    ++i;
    const int32_t index = steps[i].index;
    sb4 size = 0;
    CheckOciStatus(OCICollSize(Env(), error, elements, &size), error);
    for (; size <= index; ++size) AppendNullElement(Env(), error, GetOCISvcCtx(), elements, element);
    if (i + 1 == steps.size()) {
      OCIInd element_null = null_status;
      CheckOciStatus(OCICollAssignElem(Env(), error, index, value, &element_null, elements), error);
      if (indicator) *static_cast<OCIInd*>(indicator) = OCI_IND_NOTNULL;
      return;
    }
    if (indicator) *static_cast<OCIInd*>(indicator) = OCI_IND_NOTNULL;
    boolean exists = 0;
    void* element_value = nullptr;
    void* element_indicator = nullptr;
    CheckOciStatus(OCICollGetElem(Env(), error, elements, index, &exists, &element_value, &element_indicator),
                   error);
    auto* element_type = static_cast<TOraType*>(element.ObjectType());
    if (!exists || !element_type || element.DataType() != dacore::dtObject) InvalidName();
    // A null element becomes a present one whose attributes are still null.
    *static_cast<OCIInd*>(element_indicator) = OCI_IND_NOTNULL;
    at = WritePlace{element_value, element_indicator, element_type, element_type};
  }
}

}  // namespace oracle
