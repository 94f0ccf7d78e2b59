// The SQLite test driver's statement component.
#include "testing/sqlite_driver/sqlite_driver_sql.h"

#include "testing/sqlite_driver/sqlite_driver_lexer.h"

namespace sqlite_driver {

TSQLiteSQL::TSQLiteSQL(classlib::TComponent* owner, dacore::TDASQLOwner* data_set)
    : TCustomDASQL(owner, data_set) {
  Macros().SetParserClass(SQLiteParserClass());
}

std::unique_ptr<dacore::TParser> TSQLiteSQL::CreateParser(const std::string& text) {
  return std::make_unique<TSQLiteParser>(text);
}

}  // namespace sqlite_driver
