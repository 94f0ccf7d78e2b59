#include "fib/metadata/repository_sql.h"

#include "classlib/ansistr.h"

namespace fib::repository_sql {

const char* const kTableExists =
    "select COUNT(RDB$RELATION_NAME)\r\nfrom RDB$RELATIONS where RDB$FLAGS = 1\r\n"
    "and RDB$RELATION_NAME=?RT";

const char* const kBooleanDomainExists =
    "Select Count(*) FROM RDB$FIELDS FLD\r\nWHERE FLD.RDB$FIELD_NAME = 'ZOD$BOOLEAN'";

const char* const kPrimaryKey =
    "select i.rdb$field_name\r\nfrom    rdb$relation_constraints r, rdb$index_segments i\r\n"
    "where   r.rdb$relation_name=:TN and\r\nr.rdb$constraint_type='PRIMARY KEY' and\r\n"
    "r.rdb$index_name=i.rdb$index_name\r\norder by i.rdb$field_position";

const char* const kFormatNumber =
    "select a1.RDB$RELATION_ID VER  from RDB$RELATIONS a1\r\n"
    "where a1.RDB$SYSTEM_FLAG = 0  and a1.rdb$relation_name=?TN\r\n"
    "and not  a1.rdb$view_blr is null\r\nunion\r\n"
    "select RDB$FORMAT from RDB$RELATIONS R\r\n"
    "where R.RDB$SYSTEM_FLAG = 0    and R.rdb$relation_name=?TN\r\n"
    "and  R.rdb$view_blr is null";

const char* const kFieldsInfoVersion =
    "Select Max(zod$version) From ZOD$FIELDS_INFO Where table_name=?TN";

const char* const kColumns =
    "Select R.RDB$FIELD_NAME,R.RDB$FIELD_SOURCE,F.RDB$COMPUTED_BLR, \r\n"
    "R.RDB$DEFAULT_SOURCE DS,F.RDB$DEFAULT_SOURCE DS1, \r\nF.RDB$FIELD_TYPE, \r\n"
    "F.RDB$CHARACTER_SET_ID \r\nfrom  RDB$RELATION_FIELDS R \r\n"
    "JOIN RDB$FIELDS F ON (R.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME) \r\n"
    "where  R.RDB$RELATION_NAME=:TN \r\norder by R.RDB$FIELD_POSITION";

const char* const kProcedureOutputs =
    "Select P.RDB$PARAMETER_NAME,0,0,0,0,\r\nP.RDB$PARAMETER_TYPE,\r\n"
    "F.RDB$CHARACTER_SET_ID\r\nfrom RDB$PROCEDURE_PARAMETERS P\r\n"
    "JOIN RDB$FIELDS F ON (P.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME)WHERE "
    "P.RDB$PROCEDURE_NAME=:PN\r\nAND P.RDB$PARAMETER_TYPE=1";

const char* const kDataSetVersion = "SELECT ZOD$VERSION FROM ZOD$DATASETS_INFO WHERE DS_ID=:DS_ID";

std::string FieldsInfoRows(const std::string& table) {
  return "Select * from ZOD$FIELDS_INFO where TABLE_NAME=" + classlib::QuotedStr(table) +
         " ORDER BY FIELD_NAME";
}

std::string FieldsInfoRowsForUpdate(const std::string& table) {
  return "Select * from ZOD$FIELDS_INFO where TABLE_NAME=" + classlib::QuotedStr(table) +
         " ORDER BY TABLE_NAME,FIELD_NAME";
}

std::string DataSetRow(int id) {
  return "SELECT * FROM ZOD$DATASETS_INFO WHERE DS_ID=" + std::to_string(id);
}

std::string DataSetInsert(int id) {
  return "INSERT INTO ZOD$DATASETS_INFO (DS_ID,UPDATE_ONLY_MODIFIED_FIELDS) VALUES(" +
         std::to_string(id) + ",1)";
}

std::string DataSetUpdate(int id) {
  return "UPDATE ZOD$DATASETS_INFO SET SELECT_SQL=?SELECT_SQL,DESCRIPTION=?DESCRIPTION,"
         "UPDATE_SQL=?UPDATE_SQL,INSERT_SQL=?INSERT_SQL,DELETE_SQL=?DELETE_SQL,"
         "REFRESH_SQL=?REFRESH_SQL,NAME_GENERATOR=?NAME_GENERATOR,KEY_FIELD=?KEY_FIELD, "
         "UPDATE_TABLE_NAME=?UPDATE_TABLE_NAME, "
         "UPDATE_ONLY_MODIFIED_FIELDS=?UPDATE_ONLY_MODIFIED_FIELDS, CONDITIONS=?CONDITIONS "
         "WHERE DS_ID=" +
         std::to_string(id);
}

const std::vector<std::string>& FieldsInfoUpgrade() {
  static const std::vector<std::string> steps = {
      "CREATE GENERATOR ZOD$FIELD_INFO_VERSION",
      "ALTER TABLE ZOD$FIELDS_INFO ADD DISPLAY_WIDTH INTEGER DEFAULT 0",
      "ALTER TABLE ZOD$FIELDS_INFO ADD ZOD$VERSION INTEGER",
      "CREATE TRIGGER ZOD$FIELDS_INFO_BI FOR ZOD$FIELDS_INFO ACTIVE BEFORE INSERT POSITION 0 "
      "as \r\nbegin \r\nnew.zod$version=gen_id(zod$field_info_version,1);\r\nend",
      "CREATE TRIGGER ZOD$FIELDS_INFO_BU FOR ZOD$FIELDS_INFO ACTIVE BEFORE UPDATE POSITION 0 "
      "as \r\nbegin \r\nnew.zod$version=gen_id(zod$field_info_version,1);\r\nend",
  };
  return steps;
}

const char* const kCreateBooleanDomain =
    "CREATE DOMAIN ZOD$BOOLEAN AS SMALLINT DEFAULT 1 NOT NULL CHECK (VALUE IN (0,1))";

const std::vector<std::string>& DataSetsInfoColumnsUpgrade() {
  static const std::vector<std::string> steps = {
      "ALTER TABLE ZOD$DATASETS_INFO ADD UPDATE_TABLE_NAME  VARCHAR(68)",
      "ALTER TABLE ZOD$DATASETS_INFO ADD UPDATE_ONLY_MODIFIED_FIELDS  ZOD$BOOLEAN NOT NULL",
      "ALTER TABLE ZOD$DATASETS_INFO ADD CONDITIONS  BLOB sub_type 1 segment size 80",
  };
  return steps;
}

const char* const kCreateVersionGenerator = "CREATE GENERATOR ZOD$FIELD_INFO_VERSION";

const std::vector<std::string>& DataSetsInfoVersionUpgrade() {
  static const std::vector<std::string> steps = {
      "ALTER TABLE ZOD$DATASETS_INFO ADD zod$version  INTEGER",
      "CREATE TRIGGER ZOD$DATASETS_INFO_BI FOR ZOD$DATASETS_INFO ACTIVE BEFORE INSERT POSITION 0 "
      "as \r\nbegin\r\nnew.zod$version=gen_id(zod$field_info_version,1);\r\nend",
      "CREATE TRIGGER ZOD$DATASETS_INFO_BU FOR ZOD$DATASETS_INFO ACTIVE BEFORE UPDATE POSITION 0 "
      "as \r\nbegin\r\nnew.zod$version=gen_id(zod$field_info_version,1);\r\nend",
  };
  return steps;
}

}  // namespace fib::repository_sql
