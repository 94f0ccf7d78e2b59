// A table of blobs on the embedded engine for the blob stream tests:
// B (K INTEGER primary key, BIN binary blob, TXT text blob), a connected
// TFIBDatabase and a started TFIBTransaction on it.
#pragma once

#include <ibase.h>

#include <memory>
#include <string>

#include "database_fixture.h"
#include "fib/statements/fib_blob_stream.h"

namespace fib_test {

class BlobTableTest : public DatabaseTest {
 protected:
  BlobTableTest();
  ~BlobTableTest() override;

  // Puts the blob id into column `column` of row `key` (made when missing).
  void StoreBlobId(int key, const std::string& column, const ISC_QUAD& id);
  // The blob id of that column; zero for NULL.
  ISC_QUAD BlobIdOf(int key, const std::string& column);
  // The blob id in the first row of a one-column select.
  ISC_QUAD QueryBlobId(const std::string& sql);
  // A new blob with `content` written through a stream, stored in the row.
  void StoreContent(int key, const std::string& column, const std::string& content,
                    int16_t sub_type);
  // A fresh read stream over the stored blob.
  std::unique_ptr<fib::TFIBBlobStream> ReadStream(int key, const std::string& column,
                                                  int16_t sub_type);
  // Commits and starts the transaction again: what was stored is permanent.
  void Restart();

  std::unique_ptr<fib::TFIBDatabase> db_;
  std::unique_ptr<fib::TFIBTransaction> tr_;
};

}  // namespace fib_test
