// XML export of a memory data set: the escaping of data texts, and a
// document writer that lays the fields and rows out as a row set (a schema
// of attribute types, then one "z:row" element per record whose attributes
// are the non-null values). A field whose name is no XML name is written
// under an alias, its own name kept in the schema's "rs:name".
#pragma once

#include <string>
#include <vector>

#include "dacore/memds_dataset.h"
#include "dacore/support_xml_writer.h"

namespace dacore {

// UTF-8 text as XML 1.0 carries it in attribute values and content:
// "&", "'", '"', "<" and ">" as character references, an "&" already in the
// text escaped too (so "&#x26;" gives "&#x26;#x26;"); tab, line feed and
// carriage return as references, which attribute values keep where a reader
// would make blanks of them. Every character XML 1.0 cannot carry at all
// (the other controls below U+0020, U+FFFE, U+FFFF) and every byte that
// is not part of well-formed UTF-8 becomes U+FFFD, the replacement
// character; nothing else is changed.
std::string EncodeXmlText(const std::string& text);

// The attribute names a row gives fields of these names (code page 1251):
// an empty answer where the name may stand as it is (letters, Latin or
// Cyrillic, digits, "_", "-" and ".", beginning with a letter or "_" but not
// with "xml", and not taken by an earlier field), else an alias made from
// the name in which each character that may not stand is written "_x" and
// its four hexadecimal UTF-16 digits and "_", with "_2", "_3" ... added
// while the alias is taken.
std::vector<std::string> XmlAttributeAliases(const std::vector<std::string>& names);

// The whole data set, from its first record; the active record is restored
// afterwards. Calculated and lookup fields are left out, as they have no
// column behind them.
std::string DataSetToXml(TMemDataSet& data_set);

}  // namespace dacore
