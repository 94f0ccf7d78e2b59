// Driving a data set of the data-access core through the operations of the
// data-set model, for the sequence drivers of the layers built on the core:
// the steps that are the same whatever the layer (moving, editing through
// fields, refreshing, searching, filtering, sorting, cached updates, the
// detail's link) and reading back what the model's verdict needs. The steps
// that need the layer's SQL or errors (a stream's write, the refused post,
// the other writer) and how a value is written into a field or read out of
// it stay with the driver.
#pragma once

#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "dacore/dataset_component.h"
#include "testing/dataset_sequence_model.h"
#include "testing/sequence_engine.h"

namespace sequences {

// Writes value number `v` (0: NULL) of a column into its field.
using WriteCellFunction = void (*)(classlib::TField& field, int column, int v);
// Reads the current record as the model holds rows.
using ReadRowFunction = ModelRow (*)(classlib::TDataSet& data_set);

// Makes the visible row at `pos` (mod count) current.
void GoTo(dacore::TCustomDADataSet& d, int pos);

// Posts; a refused post is cancelled, so that the data set browses again.
void PostOrCancel(dacore::TCustomDADataSet& d);

// Links the detail anew: closed, its text and link set for the mode, opened.
void LinkDetail(dacore::TCustomDADataSet& detail, classlib::TDataSource& source, int mode);

// Runs `op` when it is one of the steps above; false when it is the driver's.
// `answer` takes what a Locate or Lookup answered.
bool ApplyCommonStep(dacore::TCustomDADataSet& d, const DataSetModel& model, WriteCellFunction write_cell,
                     const Operation& op, std::string& answer);

// What the model's verdict needs of the data set and its detail, but the
// server's rows (the driver reads them through a session of its own).
Observed Observe(dacore::TCustomDADataSet& d, dacore::TCustomDADataSet& detail, const DataSetModel& model,
                 ReadRowFunction read_row, const std::string& answer);

}  // namespace sequences
