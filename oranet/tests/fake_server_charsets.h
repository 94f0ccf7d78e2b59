// What a server stores of a character value it receives: the value is in
// the client's character set; one of the implicit form is converted into
// the database's own set, where a character the set lacks becomes '?';
// one of the national form goes into the national set (AL16UTF16), which
// holds every character. The result is given back as UTF-8 text.
#pragma once

#include <string>

#include "dacore/util_bytes.h"

namespace oranet::testing {

constexpr int kFakeCharsetLatin1 = 31;  // WE8ISO8859P1
constexpr int kFakeCharsetUtf8 = 871;
constexpr int kFakeCharsetAl32Utf8 = 873;
constexpr int kFakeFormImplicit = 1;
constexpr int kFakeFormNational = 2;

// `clientCharset` 0 is the database's own. Sets other than the three above
// are taken to need no conversion.
std::string StoredText(const dacore::TBytes& value, int clientCharset, int databaseCharset, int form);

}  // namespace oranet::testing
