// Whole blobs read and written in one go, for descriptor items whose value
// is a blob id.
#pragma once

#include <ibase.h>

#include <string>
#include <string_view>

namespace fib {

class IIBClientLibrary;

// The contents of blob `id`. Client failures raise the server error.
std::string ReadBlob(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                     const ISC_QUAD& id);

// A new blob holding `contents`; answers its id.
ISC_QUAD CreateBlob(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                    std::string_view contents);

}  // namespace fib
