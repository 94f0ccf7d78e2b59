#include "fib/statements/xsqlvar_blob.h"

#include <algorithm>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/statements/xsqlda_owner.h"

namespace fib {

namespace {

// The largest piece one segment call moves.
constexpr size_t kSegmentSize = 32768 - 1;

void Check(ISC_STATUS status, IIBClientLibrary& library, TXSQLOwner* owner) {
  if (owner != nullptr) owner->CheckCall(status);
  else CheckClientCall(status, true, library, nullptr);
}

}  // namespace

ISC_STATUS TXSQLOwner::CheckCall(ISC_STATUS status) {
  return CheckClientCall(status, true, *ClientLibrary(), nullptr);
}

std::string ReadBlob(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                     const ISC_QUAD& id, TXSQLOwner* owner) {
  ISC_QUAD blob_id = id;
  isc_blob_handle blob = 0;
  Check(library.isc_open_blob2(StatusVector(), db, tr, &blob, &blob_id, 0, nullptr), library,
        owner);
  std::string contents;
  char buffer[kSegmentSize];
  for (;;) {
    unsigned short got = 0;
    ISC_STATUS status =
        library.isc_get_segment(StatusVector(), &blob, &got, sizeof buffer, buffer);
    // A segment longer than the buffer arrives in pieces (isc_segment); the
    // end of the blob is isc_segstr_eof.
    if (status != 0 && status != isc_segment) {
      if (status == isc_segstr_eof) break;
      ISC_STATUS_ARRAY ignored;
      library.isc_cancel_blob(ignored, &blob);
      Check(status, library, owner);
    }
    contents.append(buffer, got);
  }
  Check(library.isc_close_blob(StatusVector(), &blob), library, owner);
  return contents;
}

ISC_QUAD CreateBlob(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                    std::string_view contents, TXSQLOwner* owner) {
  ISC_QUAD id{};
  isc_blob_handle blob = 0;
  Check(library.isc_create_blob2(StatusVector(), db, tr, &blob, &id, 0, nullptr), library,
        owner);
  for (size_t done = 0; done < contents.size();) {
    size_t piece = std::min(kSegmentSize, contents.size() - done);
    ISC_STATUS status = library.isc_put_segment(StatusVector(), &blob,
                                                static_cast<unsigned short>(piece),
                                                contents.data() + done);
    if (status != 0) {
      ISC_STATUS_ARRAY ignored;
      library.isc_cancel_blob(ignored, &blob);
      Check(status, library, owner);
    }
    done += piece;
  }
  Check(library.isc_close_blob(StatusVector(), &blob), library, owner);
  return id;
}

}  // namespace fib
