// Buffered data sets on the embedded engine: the statement fixture's
// connected database and transaction, plus a data set of the same form.
#pragma once

#include <memory>
#include <string>

#include "fib/dataset/fib_dataset.h"
#include "fib/metadata/metadata_cache.h"
#include "fib_query_fixture.h"

namespace fib_test {

class DataSetTest : public QueryTest {
 protected:
  // Preparing fills the process-wide table information; other tests count
  // its entries.
  ~DataSetTest() override { fib::ProcessMetadataCaches().TableInfo.Clear(); }

  // A data set of the form on the test database; sql becomes its select.
  std::unique_ptr<fib::TFIBDataSet> NewDataSet(const std::string& name,
                                               const std::string& sql = "") {
    auto data_set = std::make_unique<fib::TFIBDataSet>(&form_);
    data_set->SetName(name);
    data_set->SetDatabase(db_.get());
    if (!sql.empty()) data_set->SelectSQL().SetText(sql);
    return data_set;
  }
};

}  // namespace fib_test
