// The control interface of the stand-in's select lists and rows (beside
// oci_standin_control.h).
//
// The fetch entries log as, for example,
//   OCIDefineByPos pos=1 type=5 size=101 mode=0
//   OCIDefineArrayOfStruct pos=1 skip=160 ind=160 len=0
//   OCIDefineObject pos=2 type=SCOTT.ADDRESS_T
//   OCIStmtFetch rows=25 orient=2 -> 25
//   OCIStmtFetch2 rows=25 orient=32 offset=51 -> 25
#pragma once

extern "C" {

// A query that describes typed columns when executed: "NAME TYPE" entries
// separated by ';', TYPE as the server writes it: NUMBER, NUMBER(p),
// NUMBER(p,s), FLOAT(b), VARCHAR2(n), NVARCHAR2(n), CHAR(n), LONG, LONG RAW,
// RAW(n), DATE, TIMESTAMP(f), TIMESTAMP(f) WITH TIME ZONE, INTERVAL YEAR(l)
// TO MONTH, INTERVAL DAY(l) TO SECOND(f), CLOB, NCLOB, BLOB, BFILE, CFILE, ROWID,
// UROWID(n), BINARY_FLOAT, BINARY_DOUBLE, REF (of SCOTT.ADDRESS_T), REF SCHEMA.NAME,
// MLSLABEL, CURSOR, OBJECT (of SCOTT.ADDRESS_T),
// OBJECT SCHEMA.NAME (of that declared type, SYS.XMLTYPE an XML column
// whose rows give the text); " NOT NULL" after the
// type clears nullable. Replaces its rows.
void standin_script_query(const char* sql, const char* columns);
// Rows of a scripted query: rows separated by '\n', values by '|', "<null>"
// a null; NUMBERs plain ("-12.5"), DATEs and TIMESTAMPs "YYYY-MM-DD
// HH:MI:SS[.fffffffff]", RAW and LONG RAW in hexadecimal, texts as they are,
// BFILEs and CFILEs "DIRECTORY/file name", CURSORs the text of a scripted
// query that the row's nested statement then answers,
// OBJECTs "NAME=value,NAME=value" (top-level string and NUMBER attributes),
// collections "value,value" (string or NUMBER elements), REFs the hexadecimal
// text OCIRefToHex gives for a REF to the object (which may be gone).
void standin_add_rows(const char* sql, const char* rows);
// Appends count generated rows: row i (from 0) holds i for integer NUMBERs,
// i + 0.25 for NUMBERs with a scale, "name-i" for VARCHAR2 and LONG, "c"
// and i mod 1000 for CHAR, 2000-01-01 plus i minutes for DATE, and 16 bytes
// of i for RAW.
void standin_generate_rows(const char* sql, int count);
// Row `row` (from 1) of a scripted query fails as the server produces it:
// the forward fetch (or execute) that reaches it delivers the rows before
// it, counts them, and fails with `code` and `text`; the cursor fetches no
// more.
void standin_fail_row(const char* sql, int row, int code, const char* text);
// Milliseconds each fetch call waits (with the library unlocked) first.
void standin_set_fetch_delay(int milliseconds);
// With 1, the parameter get past the last column answers 100 (as the
// network client does) instead of -1 with code 24334.
void standin_set_describe_no_data(int on);
// Fetch calls made since the last reset.
int standin_fetch_calls(void);

}
