#include "fib/dataset/fib_field_factory.h"

#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_datetime_fields.h"
#include "fib/dataset/fib_misc_fields.h"
#include "fib/dataset/fib_numeric_fields.h"
#include "fib/dataset/fib_string_fields.h"

namespace fib {

classlib::TField* NewFIBField(classlib::TFieldType type, classlib::TComponent* owner) {
  using namespace classlib;
  switch (type) {
    case ftString: case ftFixedChar: return new TFIBStringField(owner);
    case ftWideString: return new TFIBWideStringField(owner);
    case ftSmallint: return new TFIBSmallIntField(owner);
    case ftInteger: return new TFIBIntegerField(owner);
    case ftLargeint: return new TFIBLargeIntField(owner);
    case ftFloat: return new TFIBFloatField(owner);
    case ftBCD: return new TFIBBCDField(owner);
    case ftBoolean: return new TFIBBooleanField(owner);
    case ftGuid: return new TFIBGuidField(owner);
    case ftBytes: return new TFIBArrayField(owner);
    case ftDate: return new TFIBDateField(owner);
    case ftTime: return new TFIBTimeField(owner);
    case ftDateTime: return new TFIBDateTimeField(owner);
    case ftBlob: return new TFIBBlobField(owner);
    case ftMemo: return new TFIBMemoField(owner);
    default: return nullptr;
  }
}

}  // namespace fib
