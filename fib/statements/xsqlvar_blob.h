// Whole blobs read and written in one go, for descriptor items whose value
// is a blob id.
#pragma once

#include <ibase.h>

#include <string>
#include <string_view>

namespace fib {

class IIBClientLibrary;
class TXSQLOwner;

// The contents of blob `id`. Client failures raise the server error, through
// the owner's check when an owner is given.
std::string ReadBlob(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                     const ISC_QUAD& id, TXSQLOwner* owner = nullptr);

// A new blob holding `contents`; answers its id.
ISC_QUAD CreateBlob(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                    std::string_view contents, TXSQLOwner* owner = nullptr);

}  // namespace fib
