// TDBAccessUtils: what other parts of the layer may do to a data set or a
// statement component without knowing which of the two it holds. Every
// operation checks that it was given one of them (assertion "Obj is "
// followed by the class name otherwise).
#pragma once

#include <string>

#include "classlib/strings.h"
#include "dacore/param_da.h"

namespace classlib {
class TObject;
}

namespace dacore {

class TCustomDAConnection;
class TCRCommand;
class TCRRecordSet;

class TDBAccessUtils {
 public:
  static void InternalConnect(TCustomDAConnection* connection);
  static void InternalDisconnect(TCustomDAConnection* connection);
  static void SetAutoCommit(classlib::TObject* obj, bool value);
  static void SetDesignCreate(classlib::TObject* obj, bool value);
  static bool GetDesignCreate(classlib::TObject* obj);
  static classlib::TStringList& GetSQL(classlib::TObject* obj);
  // Sets the text while the parameter and macro scans are held as asked;
  // the driver command hears of the change through its property 32.
  static void SetSQLText(classlib::TObject* obj, const std::string& sql, bool lock_scan_params, bool lock_macros);
  static TDAParams& GetParams(classlib::TObject* obj);
  static void Execute(classlib::TObject* obj);
  static int GetRowsAffected(classlib::TObject* obj);
  static TCRCommand* GetICommand(classlib::TObject* obj);
  static TCRRecordSet* GetIRecordSet(classlib::TObject* obj);
};

}  // namespace dacore
