// A fetched row's way into the record: how each column is stored, decided
// once per fetch from the field it fills, and the row's values read from the
// engine under one hold of the connection's lock rather than one per call.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <vector>

#include "dacore/field_descs.h"

namespace sqlite_driver {

// kVariant: the general way, through a Variant of the field's type.
enum class TColumnPut : uint8_t { kText, kInt32, kInt64, kFloat, kDate, kVariant };

struct TColumnPlan {
  TColumnPut put = TColumnPut::kVariant;
  // A number of the field's own width with no parent: stored in its place.
  bool plain = false;
  const dacore::TFieldDesc* field = nullptr;
  int field_no = 0;  // the column's number, from 1
};

// A column's value as the engine holds it for the current row: what the
// column's plan needs of it, nothing more.
struct TColumnValue {
  int storage = SQLITE_NULL;
  sqlite3_int64 integer = 0;
  double real = 0;
  const char* text = nullptr;  // valid until the statement steps again
  int bytes = 0;
};

// The plans of the first count fields, column i filling field i (the
// vector's room is kept from fetch to fetch).
void PlanColumns(const dacore::TFieldDescs& fields, int count, std::vector<TColumnPlan>& plans);

// The current row's values, one per plan.
void ReadRow(sqlite3_stmt* stmt, const std::vector<TColumnPlan>& plans, std::vector<TColumnValue>& values);

}  // namespace sqlite_driver
