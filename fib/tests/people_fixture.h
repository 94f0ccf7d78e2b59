// Data sets over a small table of people on the embedded engine, with the
// modify statements a program would give them, and a second connection
// that sees what the server holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "dataset_fixture.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"

namespace fib_test {

class PeopleTest : public DataSetTest {
 protected:
  PeopleTest() {
    Run("create table PEOPLE (ID integer not null primary key, NAME varchar(30) not null, "
        "NOTE varchar(40), SCORE integer)");
    Run("insert into PEOPLE values (1, 'Anna', null, 10)");
    Run("insert into PEOPLE values (2, 'Boris', 'x', 20)");
    Run("insert into PEOPLE values (3, 'Vera', null, 30)");
  }

  // A data set over PEOPLE in ID order with update, insert, delete and
  // refresh statements keyed by the old ID.
  std::unique_ptr<fib::TFIBDataSet> People(const std::string& name = "People") {
    auto ds = NewDataSet(name, "select ID, NAME, NOTE, SCORE from PEOPLE order by ID");
    ds->UpdateSQL().SetText(
        "update PEOPLE set ID = ?NEW_ID, NAME = ?NAME, NOTE = ?NOTE, SCORE = ?SCORE "
        "where ID = ?OLD_ID");
    ds->InsertSQL().SetText(
        "insert into PEOPLE (ID, NAME, NOTE, SCORE) values (?ID, ?NAME, ?NOTE, ?SCORE)");
    ds->DeleteSQL().SetText("delete from PEOPLE where ID = ?OLD_ID");
    ds->RefreshSQL().SetText("select ID, NAME, NOTE, SCORE from PEOPLE where ID = ?OLD_ID");
    return ds;
  }

  // What another connection reads, committed data only.
  classlib::Variant Committed(const std::string& sql) { return observer_->QueryValue(sql, 0); }

  // Every row the data set shows, as "ID:NAME" from its first record on.
  static std::vector<std::string> Rows(fib::TFIBCustomDataSet& ds, const std::string& key = "ID",
                                       const std::string& value = "NAME") {
    std::vector<std::string> rows;
    ds.First();
    while (!ds.Eof()) {
      rows.push_back(ds.FieldByName(key)->AsString() + ":" + ds.FieldByName(value)->AsString());
      ds.Next();
    }
    return rows;
  }

  static int Id(fib::TFIBCustomDataSet& ds) { return ds.FieldByName("ID")->AsInteger(); }
};

}  // namespace fib_test
