// XML export of a memory data set: the escaping of data texts, and a
// document writer that lays the fields and rows out as a row set (a schema
// of attribute types, then one "z:row" element per record whose attributes
// are the non-null values).
#pragma once

#include <string>

#include "dacore/memds_dataset.h"
#include "dacore/support_xml_writer.h"

namespace dacore {

// "&", "'", '"', "<" and ">" as character references, "&" first so the
// references made later are not escaped again.
std::string EncodeXmlText(const std::string& text);

// The whole data set, from its first record; the active record is restored
// afterwards. Calculated and lookup fields are left out, as they have no
// column behind them.
std::string DataSetToXml(TMemDataSet& data_set);

}  // namespace dacore
