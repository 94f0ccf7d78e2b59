// The control interface of the stand-in's statements (beside
// oci_standin_control.h): scripted answers and what executes received.
#pragma once

extern "C" {

// The answer to a statement text (compared whole, blanks at both ends
// ignored), as blank-separated settings:
//   rows=N           rows processed by each execute
//   columns=A,B      the select list of a query
//   error=CODE       fail with that Oracle error; the text follows "text="
//   offset=N         the parse-error offset reported with the error
//   text=...         the rest of the answer is the error text
//   out:NAME=VALUE   an output value for the bind NAME (no blanks); for a
//                    BLOB or CLOB bind a new server LOB holding VALUE (a
//                    BLOB's in hexadecimal digits) that its locator refers to
//   cursor:NAME=...  the rest of the answer is the text of a scripted query
//                    that the REF CURSOR bound as NAME is opened on
void standin_script_statement(const char* sql, const char* answer);
// What the executes received, one line a bind and iteration:
// "NAME[iteration]=value" (NULL for a null; texts as they are, bytes in
// hexadecimal, dates "YYYY-MM-DD HH:MI:SS", NUMBERs plain).
int standin_received(char* buffer, int size);
void standin_clear_received(void);

}
