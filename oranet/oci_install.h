// Entering and leaving direct mode: the network client's functions written
// into the Oracle layer's entry-point table, the functions it does not
// implement refused with "Function is not supported", and the process-wide
// environment and error handle of direct mode.
#pragma once

namespace oranet {

// Registers the network client with the Oracle layer, so that a session with
// its Direct option set can switch to it. Call once at start; safe to repeat.
void RegisterNetClient();

// Writes the entries, sets version 9200 and call style 2 (possible styles
// 0x04, the direct-mode mark), creates the environment and the process-wide
// error handle. Raises "Can't initialize Net client" when either fails.
void InitNet();
// Clears direct mode and frees the process-wide error handle. The entries
// stay until the next environment initialisation loads the client library.
void FreeNet();

// What every entry the client does not implement runs.
[[noreturn]] void NetNotSupported();

}  // namespace oranet
