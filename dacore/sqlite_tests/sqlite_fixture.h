// A database file in a fresh temporary folder and sessions of the SQLite
// test driver on it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/dataset_component.h"
#include "testing/sqlite_driver/sqlite_driver_session.h"

namespace dacore::sqlite_tests {

class SQLiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("dacore_sqlite_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / "test.db").string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // A connected session on the test file.
  std::unique_ptr<sqlite_driver::TSQLiteSession> Session() {
    auto session = std::make_unique<sqlite_driver::TSQLiteSession>(nullptr);
    session->SetServer(path_);
    session->SetConnected(true);
    return session;
  }
  const std::string& Path() const { return path_; }

  // A statement run and committed on its own.
  static void Exec(sqlite_driver::TSQLiteSession& session, const std::string& sql) {
    auto statement = session.CreateSQL();
    statement->SetAutoCommit(true);
    statement->SetSQL(sql);
    statement->Execute();
  }

  static std::unique_ptr<TCustomDADataSet> Query(sqlite_driver::TSQLiteSession& session, const std::string& sql) {
    auto data_set = session.CreateDataSet();
    data_set->SetSQL(sql);
    return data_set;
  }

  // What another session reads: the first column of the first row, as text.
  std::string ReadElsewhere(const std::string& sql) {
    auto reader = Session();
    auto data_set = Query(*reader, sql);
    data_set->Open();
    if (data_set->IsEmpty()) return "(none)";
    return data_set->Fields().Fields(0)->IsNull() ? "(null)" : data_set->Fields().Fields(0)->AsString();
  }

  // Every row of `names` (one letter a name) is found by Locate from the
  // first row and by Lookup from the last, which leaves the record where it
  // is, each with the ID `id_of` gives; no name of `missing` is found.
  static void ExpectNamesFound(TCustomDADataSet& d, const std::string& names, int (*id_of)(char),
                               std::initializer_list<const char*> missing) {
    for (char name : names) {
      const std::string key(1, name);
      d.First();
      EXPECT_TRUE(d.Locate("NAME", classlib::Variant(key), {})) << "Locate " << key;
      EXPECT_EQ(d.FieldByName("ID")->AsInteger(), id_of(name)) << "Locate " << key;
      d.Last();
      const int last = d.RecNo();
      const classlib::Variant id = d.Lookup("NAME", classlib::Variant(key), "ID");
      EXPECT_EQ(classlib::VarIsNull(id) ? -1 : id.AsInteger(), id_of(name)) << "Lookup " << key;
      EXPECT_EQ(d.RecNo(), last) << "Lookup moved";
    }
    for (const char* absent : missing) {
      EXPECT_FALSE(d.Locate("NAME", classlib::Variant(std::string(absent)), {})) << absent;
      EXPECT_TRUE(classlib::VarIsNull(d.Lookup("NAME", classlib::Variant(std::string(absent)), "ID"))) << absent;
    }
  }

 private:
  std::filesystem::path folder_;
  std::string path_;
};

}  // namespace dacore::sqlite_tests
