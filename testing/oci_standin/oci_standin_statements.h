// The stand-in's statements beyond the session engine: the placeholders a
// statement holds, what an execute received through its binds (plain,
// array, dynamic and piecewise), scripted answers (columns, rows affected,
// output values or an error), the rows processed and the ROWID of the last
// row touched. Callers hold the state's lock.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"

namespace standin {

using namespace oracle;

struct Handle;
struct State;

// What a test scripted for one statement text.
struct ScriptedAnswer {
  bool has_columns = false;
  std::vector<std::string> columns;
  int rows = -1;  // rows processed per execute; -1: one a DML iteration
  sb4 error = 0;
  std::string error_text;
  int offset = 0;  // the parse-error offset the error handle reports
  std::map<std::string, std::string> outputs;  // bind name -> value
  std::map<std::string, std::string> cursors;  // REF CURSOR bind name -> query text
};

// A piecewise input transfer under way (binds in data-at-execute mode
// without callbacks): the bind and iteration asked for, the pieces so far.
struct PieceRequest {
  bool active = false;
  size_t bind = 0;
  ub4 iteration = 0;
  bool first = true;
  const void* buffer = nullptr;
  ub4* length = nullptr;
  ub1 piece = 0;
  bool piece_given = false;
};

struct StatementExtra {
  // Placeholder names in order of first appearance: unquoted ones
  // upper-cased, quoted ones exact.
  std::vector<std::string> placeholders;
  ub4 rows_processed = 0;
  bool has_rowid = false;
  ub4 rowid[4] = {0, 0, 0, 0};  // object, file, block, row
  bool from_cache = false;
  PieceRequest piece;
  // LONG data received so far for each (bind, iteration).
  std::map<std::pair<size_t, ub4>, std::string> long_data;
};

// A piecewise input on a cursor data area of the older interface.
struct Oci7Transfer {
  bool active = false;
  size_t bind = 0;
  bool first = true;
  bool given = false;
  const void* buffer = nullptr;
  ub4 length = 0;
  ub1 piece = 0;
  std::map<size_t, std::string> data;  // bind -> what arrived
};

struct StatementWorld {
  std::map<std::string, ScriptedAnswer> answers;  // trimmed text -> answer
  std::vector<std::string> received;              // one line a bind and iteration
  ub4 next_block = 100;
  std::map<const void*, Oci7Transfer> oci7_transfers;  // cursor area -> transfer
};

// Placeholders of a statement text, passing over literals and comments.
std::vector<std::string> PlaceholdersOf(const std::string& sql);
// A bind name as the server matches it: quoted exact, else upper-cased.
std::string PlaceholderName(const std::string& name);
// The execute of a statement on a session: binds read, the statement run
// (scripted, else by the session engine), outputs written, the mode's
// commit. Answers a status (99 while piecewise data is wanted).
sword ExecuteStatement(State& state, Handle* context, Handle* session, Handle* statement, OCIError* error,
                       ub4 iterations, ub4 mode);
// OCIAttrGet of OCI_ATTR_ROWID on a statement: the ROWID into the descriptor.
sword StatementRowid(State& state, Handle* statement, void* descriptor, OCIError* error);
// The first word of a statement from `from` on, upper-cased, past blanks,
// opening parentheses and comments.
std::string LeadingWord(const std::string& sql, size_t from = 0);
// A ROWID's 18-character extended text: object, file, block and row in
// base-64 digits (6, 3, 6, 3).
std::string ExtendedRowidText(ub4 object, ub4 file, ub4 block, ub4 row);
// Whether an item of a bind is null (its indicator is negative).
bool BindIsNull(const struct Bind& bind, ub4 iteration);
// A returned value into an output bind: text, or a number for an integer bind.
void WriteBindOutput(struct Bind& bind, const std::string& value);
// One item of a bind as the received lines show it ("NULL" for a null).
std::string RenderBindValue(State& state, const struct Bind& bind, ub4 iteration);
// An object, collection or REF bind (oci_standin_bind_object.cpp): its value
// as text ("{NAME=value,...}", "[value,...]", a REF's hexadecimal text,
// NULL), and an output value written into its instance as a fetched row's
// would be.
std::string ObjectBindText(State& state, const struct Bind& bind);
// An object instance as a bind shows it; whether one of its LOB attributes
// (not null) holds a locator that names no LOB, in embedded and referenced
// objects and collection elements too (an instance or a collection).
std::string InstanceValueText(State& state, const void* instance);
bool HasUnsetLob(State& state, const void* instance);
// The bind behind an OCIBind handle, or nullptr.
struct Bind* BindOf(State& state, const void* handle);
void WriteObjectOutput(State& state, struct Bind& bind, const std::string& value);
// Every element of a PL/SQL table bind: "[a,NULL,c]".
std::string RenderTable(State& state, const struct Bind& bind);
// Bytes in hexadecimal, as the received lines show LONG RAW and RAW values.
std::string HexText(const std::string& bytes);
// The older interface's function code of a statement into its data area.
void SetFunctionCode(void* cda, const std::string& sql);
// A NUMBER's plain text (the stand-in's number routines).
std::string NumberText(const OCINumber* number);
// A plain number text ("-12.5") in its 22-byte form; false when it is none.
bool NumberFromText(const std::string& text, OCINumber* number);

}  // namespace standin
