// The control interface of the stand-in's SQLite tier. A test (or a
// product fixture) maps a server name to a SQLite file; sessions that
// attach to that name from then on run their SQL on the file: tables the
// script creates, real transactions, the data dictionary as views, LOB
// locators that read and write their row's cell. Accounts are still the
// stand-in's own (standin_add_account).
//
//   standin_add_account("scott", "tiger");
//   standin_sqlite_attach("db1", "/tmp/x/db1.sqlite");
//   standin_sqlite_exec("db1", "CREATE TABLE T (ID NUMBER(9) PRIMARY KEY, B BLOB);"
//                              "CREATE SEQUENCE T_SEQ", error, sizeof error);
//   ... TOraSession with "scott/tiger@db1" ...
#pragma once

extern "C" {

// Sessions that attach to `server` (without regard to case) run on the
// SQLite file at `path`, created when missing; a null or empty path ends
// the mapping. Sessions already begun keep what they had.
void standin_sqlite_attach(const char* server, const char* path);
// Runs statements separated by ";" on the file of `server`, outside any
// session and committed, each as a session would run it (CREATE SEQUENCE
// and CREATE PROCEDURE go to the tier's side table). Answers 0, or -1 with
// the first error's text copied into error (at most size - 1 bytes).
int standin_sqlite_exec(const char* server, const char* sql, char* error, int size);

}
