// What a server stores of a character value it receives: the value is in
// the client's character set; one of the implicit form is converted into
// the database's own set, where a character the set lacks becomes '?';
// one of the national form goes into the national set (AL16UTF16), which
// holds every character. The result is given back as UTF-8 text. And what
// it sends of a value it holds: the text in the client's character set,
// the one the client announced in the data-type negotiation.
#pragma once

#include <string>

#include "dacore/util_bytes.h"

namespace oranet::testing {

constexpr int kFakeCharsetLatin1 = 31;    // WE8ISO8859P1
constexpr int kFakeCharsetCp1251 = 171;  // CL8MSWIN1251
constexpr int kFakeCharsetUtf8 = 871;
constexpr int kFakeCharsetAl32Utf8 = 873;
constexpr int kFakeFormImplicit = 1;
constexpr int kFakeFormNational = 2;

// `clientCharset` 0 is the database's own. Sets other than the four above
// are taken to need no conversion.
std::string StoredText(const dacore::TBytes& value, int clientCharset, int databaseCharset, int form);

// The bytes of `utf8`, a value the database holds, as the server sends
// them to a client that announced `clientCharset`; a character that set
// lacks becomes '?'.
dacore::TBytes SentText(const std::string& utf8, int clientCharset);

}  // namespace oranet::testing
