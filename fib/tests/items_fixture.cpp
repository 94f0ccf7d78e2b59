#include "items_fixture.h"

#include "database_fixture.h"

namespace fib_test {

void ItemsTest::SetUpTestSuite() {
  file_ = std::make_unique<EmbeddedDatabase>();
  auto run = [](const std::string& sql) { ExecuteSql(file_->Library(), file_->Handle(), sql); };
  run("create table ITEMS (GRP integer not null, SEQ integer not null, NAME varchar(30), "
      "primary key (GRP, SEQ))");
  run("create descending index ITEMS_DESC on ITEMS (GRP, SEQ)");
  run("execute block as declare i integer = 0; begin while (i < " + std::to_string(kRows) +
      ") do begin insert into ITEMS values (:i / 10, mod(:i * 37, 1009), 'Item ' || :i); "
      "i = i + 1; end end");
  ItemsConnection reader(file_->Path());
  auto select = reader.NewQuery("Plain", kSelect);
  select->ExecQuery();
  expected_ = std::make_unique<std::vector<Row>>(FetchAll(*select));
}

void ItemsTest::TearDownTestSuite() {
  expected_.reset();
  file_.reset();
}

ItemsConnection::ItemsConnection(const std::string& path) {
  form.SetName("Form1");
  db = std::make_unique<fib::TFIBDatabase>(&form);
  db->SetName("DB");
  db->SetDBName(path);
  SetUpdaterParams(*db);
  db->SetSQLDialect(3);
  tr = std::make_unique<fib::TFIBTransaction>(&form);
  tr->SetName("TR");
  tr->SetDefaultDatabase(db.get());
  db->SetDefaultTransaction(tr.get());
  db->Connect();
}

std::unique_ptr<fib::TFIBQuery> ItemsConnection::NewQuery(const std::string& name,
                                                          const std::string& sql) {
  auto query = std::make_unique<fib::TFIBQuery>(&form);
  query->SetName(name);
  query->SetDatabase(db.get());
  query->SetTransaction(tr.get());
  query->SetOptions(fib::TpZODQueryOptions{fib::qoStartTransaction});
  query->SetGoToFirstRecordOnExecute(false);
  query->SQL().SetText(sql);
  return query;
}

std::vector<ItemsTest::Row> ItemsTest::FetchAll(fib::TFIBQuery& query) {
  std::vector<Row> rows;
  while (query.Next())
    rows.emplace_back(query.FieldByName("GRP").AsInteger(), query.FieldByName("SEQ").AsInteger());
  return rows;
}

}  // namespace fib_test
