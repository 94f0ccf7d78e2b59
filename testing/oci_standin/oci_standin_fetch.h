// The stand-in's select lists and rows: typed columns that the parameter
// get describes, rows kept as texts, the defines a statement received
// (with their array-of-struct skips and dynamic callbacks) and the cursor
// position of each executed query. Callers hold the state's lock.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"
#include "testing/oci_standin/oci_standin_values.h"

constexpr oracle::ub2 kStandinUtf16Id = 1000;
// The column-level return codes of a null and of a truncated value.
constexpr oracle::ub2 kFetchedNull = 1405;
constexpr oracle::ub2 kFetchedTruncated = 1406;

namespace standin {

using namespace oracle;

struct Handle;
struct State;

struct QueryColumn {
  std::string name;
  ub2 type = 1;        // the server's type code (1 VARCHAR2, 2 NUMBER ...)
  ub2 size = 0;        // bytes
  sb2 precision = 0;
  sb1 scale = 0;
  ub1 nullable = 1;
  ub1 form = 1;        // 2: national character set
  ub1 fs_precision = 0, lf_precision = 0;
  ub2 char_size = 0;   // characters of a character column
  std::string type_name;  // SCHEMA.NAME of an object column declared with its type
};

using QueryValue = std::optional<std::string>;

// A column's values converted once for one external type and size, so that
// a fetch only copies them.
struct PrebuiltColumn {
  ub2 type = 0;
  sb4 size = 0;
  ub2 charset = 0;
  std::vector<ub1> data;  // size bytes a row
  std::vector<sb2> indicators;
  std::vector<ub2> lengths;
  std::vector<ub2> codes;  // column-level return codes
};

struct QueryScript {
  std::vector<QueryColumn> columns;
  std::vector<std::vector<QueryValue>> rows;
  std::map<ub4, PrebuiltColumn> prebuilt;  // position -> cells
  // A row the server cannot produce (a value that does not convert): the
  // forward fetch that reaches it delivers the rows before it and fails.
  ub4 failing_row = 0;  // 1-based; 0: none
  sb4 failing_code = 0;
  std::string failing_text;
};

struct Define {
  const Handle* statement = nullptr;
  ub4 position = 0;
  void* value = nullptr;
  sb4 size = 0;
  ub2 type = 0;
  void* indicator = nullptr;
  ub2* length = nullptr;
  ub2* return_code = nullptr;
  ub4 mode = 0;
  ub4 value_skip = 0, indicator_skip = 0, length_skip = 0, return_code_skip = 0;
  void* context = nullptr;
  void* callback = nullptr;  // dynamic define: what gives the buffer of each piece
  void* object_type = nullptr;  // an object define: each cell holds an instance's address
  ub2 charset = 0;  // OCI_UTF16ID: texts are written as UTF-16
  ub1 charset_form = 0;
};

// A row whose LONG columns defined for piecewise fetch (dynamic mode
// without a callback) are handed over one piece per fetch call: the fetch
// answers 99 until every such column has been read.
struct PieceFetch {
  bool active = false;
  ub4 row = 0;
  std::vector<ub4> positions;  // the piecewise columns of the row, in order
  size_t column = 0;           // index into positions
  size_t offset = 0;           // bytes of that column's value handed over
  bool given = false;          // the caller has set the next piece's buffer
  void* buffer = nullptr;
  ub4* length = nullptr;
  void* indicator = nullptr;
};

struct QueryCursor {
  QueryScript* script = nullptr;
  PieceFetch pieces;
  ub4 next_row = 0;   // index of the next row a forward fetch delivers
  ub4 delivered = 0;  // cumulative row count
  bool scrollable = false;  // executed in scrollable mode
  bool ended = false;       // a forward cursor that answered 100 (or was cancelled)
  std::map<ub4, std::unique_ptr<Define>> defines;  // position -> define
};

struct FetchWorld {
  std::map<std::string, QueryScript> queries;  // trimmed text -> script
  // Rows a statement produced itself (the SQLite tier), ahead of the scripts.
  std::map<const Handle*, QueryScript> statement_queries;
  std::map<const Handle*, QueryCursor> cursors;
  std::map<const void*, const Handle*> define_owner;
  int delay_ms = 0;
  bool describe_ends_with_no_data = false;
  int fetch_calls = 0;
};

// What a delivery of rows into the defines met.
struct Delivery {
  ub2 error = 0;            // kFetchedNull: a null into a define without indicator
  bool truncated = false;   // a value was cut to its buffer
  bool with_codes = false;  // ... into a define with return codes
};

// A value as a define's external type takes it (oci_standin_fetch_cells).
struct Cell {
  std::string bytes;  // what the buffer receives
  ub2 length = 0;     // what the length cell reports
  sb2 indicator = 0;  // 0; truncated: the original length, -2 beyond 16 bits
  ub2 code = 0;       // the column-level return code: 0 or kFetchedTruncated
};

// ---- Scripts (oci_standin_fetch_script) -------------------------------------------

// A column described as "NAME TYPE[(n[,m])] [NOT NULL]"; an unknown type
// gets code 9999.
QueryColumn ColumnOfDeclaration(const std::string& entry);
// The bytes that hexadecimal text stands for.
std::string FromHex(const std::string& text);
// The typed description of a column into a parameter descriptor, when the
// query was scripted with types.
void DescribeColumn(State& state, const Handle* statement, ub4 position, Handle* column);
// The rows of a statement: its own, else those scripted for its text.
QueryScript* ScriptFor(State& state, const Handle* statement);

// ---- Cells (oci_standin_fetch_cells) ----------------------------------------------

// "YYYY-MM-DD HH:MI:SS[.fffffffff]"
DateTimeValue DateOf(const std::string& text);
bool IsBinary(const QueryColumn& column);
// Single-byte text as UTF-16 (little-endian code units).
std::string Utf16Of(const std::string& text);
// The bytes of a column's value as a piecewise or callback define hands
// them over.
std::string LongBytes(const QueryColumn& column, const QueryValue& value, ub2 charset);
Cell CellOf(const QueryColumn& column, const std::string& value, ub2 type, sb4 size, ub2 charset);
// A column's cells for a define's type, size and character set, made once.
PrebuiltColumn& Prebuilt(QueryScript& script, const Define& define);

// ---- Defines (oci_standin_fetch_defines) ------------------------------------------

// Keeps a define of a statement's column (replacing an earlier one of that
// position); answers the kept define, which is its handle.
Define* AddDefine(State& state, Handle* statement, const Define& define);
// A define's attributes: its character set id and form; any other answers
// -1 with error 24315.
sword SetDefineAttribute(State& state, void* define, ub4 attribute, const void* value, OCIError* error);
sword GetDefineAttribute(State& state, const void* define, ub4 attribute, void* value, ub4* size, OCIError* error);

// ---- Delivery (oci_standin_fetch_deliver) -----------------------------------------

// Copies rows [first, first + count) into the defines, row i of the call at
// the define's position i (the lock is let go while a define callback
// runs); piecewise columns wait for the piece calls.
Delivery DeliverRows(State& state, std::unique_lock<std::mutex>& lock, QueryCursor& cursor, ub4 first, ub4 count);
// The columns of the cursor defined for piecewise fetch.
std::vector<ub4> PiecewisePositions(const QueryCursor& cursor);
// One more piece of the row waiting for its LONG columns: into the buffer
// the caller set, then 99 while more is to come, 0 once the row is complete.
sword ContinuePieces(State& state, QueryCursor& cursor, OCIError* error);
// The piece a piecewise fetch of that statement waits for: false when none
// is wanted.
bool WantedFetchPiece(State& state, const Handle* statement, void** define, ub1* piece);
// The buffer of the next piece of a define's column; false when the define
// is unknown or no piece of it is wanted.
bool SetFetchPiece(State& state, void* define, void* buffer, ub4* length, void* indicator);

// ---- Cursors (oci_standin_fetch) --------------------------------------------------

// A query has been executed: its position starts again (scrollable when the
// mode says so); with iterations the first rows are fetched at once (a
// status, 100 when fewer came).
sword StartQuery(State& state, Handle* statement, OCIError* error, ub4 iterations, ub4 mode);
// Whether a statement has defines (an execute that fetches needs them).
bool HasDefines(State& state, const Handle* statement);
// The rows of one fetch call of an executed query (the lock is let go while
// a define callback runs): 0, 1 (a value was cut), 99 (a piece is wanted),
// 100 (no more rows) or the failure recorded on error.
sword FetchRows(State& state, std::unique_lock<std::mutex>& lock, Handle* statement, OCIError* error, ub4 rows,
                ub2 orientation, sb4 offset);
// Opens a statement on the rows scripted for that query text, executed and
// ready to describe and fetch (a nested cursor, a REF CURSOR output); false
// when no query of that text was scripted.
bool OpenQueryOn(State& state, Handle* statement, const std::string& sql);
// Forgets the cursor of a statement that is freed or prepared again.
void ForgetCursor(State& state, const Handle* statement);

}  // namespace standin
