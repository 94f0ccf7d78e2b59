#include "blob_table.h"

#include "blob_id_descriptor.h"
#include "fib/base/errors.h"

namespace fib_test {

BlobTableTest::BlobTableTest() {
  ExecuteSql(file_.Library(), file_.Handle(),
             "CREATE TABLE B (K INTEGER NOT NULL PRIMARY KEY, BIN BLOB SUB_TYPE 0, "
             "TXT BLOB SUB_TYPE 1 CHARACTER SET WIN1251)");
  db_ = NewDatabase();
  db_->SetSynchronizeTime(false);
  db_->Connect();
  tr_ = std::make_unique<fib::TFIBTransaction>(nullptr);
  tr_->SetDefaultDatabase(db_.get());
  tr_->StartTransaction();
}

BlobTableTest::~BlobTableTest() {
  if (tr_->Active()) tr_->Rollback();
  tr_.reset();
  db_->Disconnect(true);
}

void BlobTableTest::StoreBlobId(int key, const std::string& column, const ISC_QUAD& id) {
  std::string sql = "UPDATE OR INSERT INTO B (K, " + column + ") VALUES (" + std::to_string(key) +
                    ", ?) MATCHING (K)";
  ISC_QUAD value = id;
  BlobIdDescriptor in(&value);
  if (fib::BlobIdIsZero(id)) in.null_flag = -1;
  fib::IIBClientLibrary& library = db_->ClientLibrary();
  db_->CheckClientCall(
      library.isc_dsql_exec_immed2(fib::StatusVector(), db_->HandleAddress(), tr_->HandleAddress(),
                                   0, sql.c_str(), 3, &in.sqlda, nullptr),
      true);
}

ISC_QUAD BlobTableTest::BlobIdOf(int key, const std::string& column) {
  return QueryBlobId("SELECT " + column + " FROM B WHERE K = " + std::to_string(key));
}

ISC_QUAD BlobTableTest::QueryBlobId(const std::string& sql) {
  ISC_QUAD value{};
  BlobIdDescriptor out(&value);
  fib::IIBClientLibrary& library = db_->ClientLibrary();
  db_->CheckClientCall(
      library.isc_dsql_exec_immed2(fib::StatusVector(), db_->HandleAddress(), tr_->HandleAddress(),
                                   0, sql.c_str(), 3, nullptr, &out.sqlda),
      true);
  return out.null_flag < 0 ? ISC_QUAD{} : value;
}

void BlobTableTest::StoreContent(int key, const std::string& column, const std::string& content,
                                 int16_t sub_type) {
  fib::TFIBBlobStream stream;
  stream.SetDatabase(db_.get());
  stream.SetTransaction(tr_.get());
  stream.SetMode(fib::BlobMode::Write);
  stream.SetBlobSubType(sub_type);
  stream.WriteBuffer(content.data(), static_cast<int>(content.size()));
  stream.Finalize();
  StoreBlobId(key, column, stream.BlobID());
}

std::unique_ptr<fib::TFIBBlobStream> BlobTableTest::ReadStream(int key, const std::string& column,
                                                               int16_t sub_type) {
  auto stream = std::make_unique<fib::TFIBBlobStream>(
      -1, std::vector<classlib::Variant>{classlib::Variant(key)}, column, "B", nullptr);
  stream->SetDatabase(db_.get());
  stream->SetTransaction(tr_.get());
  stream->SetBlobSubType(sub_type);
  stream->SetBlobID(BlobIdOf(key, column));
  return stream;
}

void BlobTableTest::Restart() {
  tr_->Commit();
  tr_->StartTransaction();
}

}  // namespace fib_test
