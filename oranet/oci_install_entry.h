// How the installer writes one entry into the Oracle layer's table: the
// function must have the typed entry's exact signature, checked at compile
// time. The statement entries are installed from a file of their own,
// because their typed entries live in a header of their own.
#pragma once

#include "oracle/call_table.h"

namespace oranet {

template <oracle::OciSlot S, class Sig>
void Install(const oracle::OciEntry<S, Sig>&, typename oracle::OciEntry<S, Sig>::Function function) {
  oracle::SetOciEntry(S, reinterpret_cast<void*>(function));
}

// Prepare, binds, defines, execute and fetch.
void InstallStatementEntries();

}  // namespace oranet
