#include "fib/statements/sqls_props.h"

#include "classlib/exceptions.h"

namespace fib {

namespace {

IDataSetSQLTexts& TextsOf(classlib::TComponent* owner) {
  auto* texts = dynamic_cast<IDataSetSQLTexts*>(owner);
  if (!texts) throw classlib::EInvalidOperation("SQLs belong to a data set");
  return *texts;
}

}  // namespace

TSQLs::TSQLs(classlib::TComponent* owner) : owner_(owner), texts_(TextsOf(owner)) {}

}  // namespace fib
