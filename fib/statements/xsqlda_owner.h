// What a descriptor area asks of the statement that owns it: the connection
// it reads blobs and arrays through, the connection's settings that change
// conversions, and the statement's state that decides whether a result
// column holds a value at all.
#pragma once

#include <ibase.h>

#include <string>

namespace fib {

class IIBClientLibrary;

class TXSQLOwner {
 public:
  virtual ~TXSQLOwner() = default;

  // The connection; nullptr / 0 when the statement has no database.
  virtual IIBClientLibrary* ClientLibrary() = 0;
  virtual isc_db_handle* DBHandle() = 0;
  virtual isc_tr_handle* TRHandle() = 0;

  virtual bool HasDatabase() const = 0;
  virtual int SQLDialect() const = 0;
  // On dialect 3, unquoted parameter names are looked up upper-cased.
  virtual bool UpperOldNames() const = 0;
  // The connection's character set is UTF-8: UNICODE_FSS text is decoded
  // on reading and parameter text is encoded on writing.
  virtual bool IsUTF8Connection() const = 0;
  virtual bool TrimCharFields() const = 0;

  // Rows fetched since the last execution; before the first fetch a result
  // column holds nothing, except the outputs of EXECUTE PROCEDURE. The
  // column vector keeps the answer: an owner calls its RowStateChanged
  // whenever either of these two changes.
  virtual int RecordCount() const = 0;
  virtual bool IsExecProcedure() const = 0;

  // The dotted name messages name the statement by.
  virtual std::string FullName() const = 0;
  // A macro parameter got a value whose text differs from the one the SQL
  // text was last built with.
  virtual void MacroValueChanged() = 0;
  // Checks a client call made for the statement (reading and writing the
  // blobs of its items), raising the server error on failure. A statement
  // on a database uses the database's check; this default
  // raises with no raiser.
  virtual ISC_STATUS CheckCall(ISC_STATUS status);
};

}  // namespace fib
