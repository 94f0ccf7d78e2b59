// The statements the metadata caches send: reads of the system tables and
// of the repository tables, and the repository upgrades. Texts that carry a
// table name or a data set's id are built here, so that a name is always
// written as a correctly quoted literal.
#pragma once

#include <string>
#include <vector>

namespace fib::repository_sql {

// Does the table (parameter RT) exist as a user table?
extern const char* const kTableExists;
extern const char* const kBooleanDomainExists;
// Primary key columns of table TN in position order.
extern const char* const kPrimaryKey;
// RDB$FORMAT of a table, or the relation id of a view (parameter TN).
extern const char* const kFormatNumber;
extern const char* const kFieldsInfoVersion;
// Columns of table TN, and output parameters of procedure PN in the same
// column layout.
extern const char* const kColumns;
extern const char* const kProcedureOutputs;
// ZOD$VERSION of data set DS_ID.
extern const char* const kDataSetVersion;

// Repository rows of a table read for the first time, and of a table whose
// info is completed with repository data later.
std::string FieldsInfoRows(const std::string& table);
std::string FieldsInfoRowsForUpdate(const std::string& table);

std::string DataSetRow(int id);
std::string DataSetInsert(int id);
std::string DataSetUpdate(int id);

// Upgrade steps, each run on its own with its failure ignored.
const std::vector<std::string>& FieldsInfoUpgrade();
extern const char* const kCreateBooleanDomain;
const std::vector<std::string>& DataSetsInfoColumnsUpgrade();
extern const char* const kCreateVersionGenerator;
// Run as one group: the version column and its triggers.
const std::vector<std::string>& DataSetsInfoVersionUpgrade();

}  // namespace fib::repository_sql
