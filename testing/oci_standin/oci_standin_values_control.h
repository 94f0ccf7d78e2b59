// The stand-in's control interface for values (the rest is in
// oci_standin_control.h): the LOB store, BFILE directories and the client
// character set. LOB contents cross this interface as bytes: a BLOB's as
// they are, a CLOB's or NCLOB's characters as UTF-8.
//
// The LOB and file entries log as, for example,
//   OCILobRead2 bytes=0 chars=0 offset=1 bufl=65514 piece=1 csid=0 csfrm=1
//   OCILobWrite amount=10 offset=1 bufl=20 piece=0 csid=1000 csfrm=1
// A read with amount 0 (or a piece 1/2 with both amounts 0 for OCILobRead2)
// streams the value: each call fills the buffer and answers 99 while more
// remains, 0 with the last part, and an amount of 0 once nothing is left.
// Amounts are characters of a character LOB (bytes of a BLOB or file) for
// OCILobWrite, the character amount of OCILobRead2 and OCILobGetLength;
// OCILobRead answers the units of the buffer (bytes, or UTF-16 characters for
// csid 1000).
#pragma once

extern "C" {

// Makes a new LOB value on the server (kind 1 BLOB, 2 CLOB, 3 NCLOB) with the
// given content and points the locator (a live LOB descriptor) at it, as a
// fetch would; answers 0, or -1 for a locator that is not live.
int standin_lob_attach(void* locator, int kind, const char* data, int length);
// The content of the value the locator points at; returns its full length
// in bytes (-1 for none), copies at most size bytes.
int standin_lob_content(void* locator, char* buffer, int size);
// Values on the server, and how many of them are temporary.
int standin_lob_count(void);
int standin_temporary_lob_count(void);
// A directory alias that BFILEs may name, mapped to a folder.
void standin_map_directory(const char* alias, const char* folder);
// Bytes a character of the client character set takes at most: 1 reads and
// writes Latin-1, 2 or more UTF-8.
void standin_set_charset_width(int width);

}
