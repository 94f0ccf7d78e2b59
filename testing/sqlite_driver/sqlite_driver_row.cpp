// The SQLite test driver's row reading.
#include "testing/sqlite_driver/sqlite_driver_row.h"

namespace sqlite_driver {

using namespace dacore;

namespace {

TColumnPlan PlanOf(const TFieldDesc& field, int field_no) {
  TColumnPlan plan;
  plan.field = &field;
  plan.field_no = field_no;
  const bool own = !field.HasParent();
  switch (field.DataType()) {
    case dtString: case dtHeapString: plan.put = TColumnPut::kText; break;
    case dtInt32:
      plan.put = TColumnPut::kInt32;
      plan.plain = own && field.Size() == sizeof(int32_t);
      break;
    case dtInt64:
      plan.put = TColumnPut::kInt64;
      plan.plain = own && field.Size() == sizeof(int64_t);
      break;
    case dtFloat:
      plan.put = TColumnPut::kFloat;
      // A scaled real takes the store's way, which rounds it to its scale.
      plan.plain = own && field.Size() == sizeof(double) && field.Scale() <= 0;
      break;
    // A record holds a date as its date-time value; a child of an object
    // field has no place of its own.
    case dtDate: case dtTime: case dtDateTime:
      if (own) plan.put = TColumnPut::kDate;
      break;
    default: break;
  }
  return plan;
}

// Reads what the plan stores: the text of any storage class for a text
// (nullptr for NULL), the storage class and the number for a number, the
// storage class and the text for a date.
void ReadValue(sqlite3_value* cell, TColumnPut put, TColumnValue& value) {
  value.text = nullptr;
  switch (put) {
    case TColumnPut::kText:
      value.text = reinterpret_cast<const char*>(sqlite3_value_text(cell));
      value.bytes = sqlite3_value_bytes(cell);
      return;
    case TColumnPut::kInt32: case TColumnPut::kInt64:
      value.storage = sqlite3_value_type(cell);
      if (value.storage == SQLITE_INTEGER) value.integer = sqlite3_value_int64(cell);
      return;
    case TColumnPut::kFloat:
      value.storage = sqlite3_value_type(cell);
      if (value.storage == SQLITE_FLOAT || value.storage == SQLITE_INTEGER) value.real = sqlite3_value_double(cell);
      return;
    case TColumnPut::kDate:
      value.storage = sqlite3_value_type(cell);
      if (value.storage == SQLITE_TEXT) {
        value.text = reinterpret_cast<const char*>(sqlite3_value_text(cell));
        value.bytes = sqlite3_value_bytes(cell);
      }
      return;
    case TColumnPut::kVariant: return;
  }
}

// Holds the connection's lock (none outside the serialized threading mode);
// the engine's own calls take it again, which a recursive lock lets them.
class TConnectionLock {
 public:
  explicit TConnectionLock(sqlite3_stmt* stmt) : lock_(sqlite3_db_mutex(sqlite3_db_handle(stmt))) {
    sqlite3_mutex_enter(lock_);
  }
  ~TConnectionLock() { sqlite3_mutex_leave(lock_); }
  TConnectionLock(const TConnectionLock&) = delete;
  TConnectionLock& operator=(const TConnectionLock&) = delete;

 private:
  sqlite3_mutex* lock_;
};

}  // namespace

void PlanColumns(const TFieldDescs& fields, int count, std::vector<TColumnPlan>& plans) {
  plans.clear();
  for (int i = 0; i < count; ++i) plans.push_back(PlanOf(*fields.GetItems(i), i + 1));
}

// A column's value object is "unprotected": reading it is safe only while
// the connection's lock is held, as it is here for the whole row. Its text
// stays valid after the lock is let go, until the statement steps.
void ReadRow(sqlite3_stmt* stmt, const std::vector<TColumnPlan>& plans, std::vector<TColumnValue>& values) {
  values.resize(plans.size());
  const TConnectionLock lock(stmt);
  for (size_t i = 0; i < plans.size(); ++i)
    if (plans[i].put != TColumnPut::kVariant)
      ReadValue(sqlite3_column_value(stmt, static_cast<int>(i)), plans[i].put, values[i]);
}

}  // namespace sqlite_driver
