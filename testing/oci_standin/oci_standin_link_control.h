// The stand-in's control of a server that goes away (beside
// oci_standin_control.h).
#pragma once

extern "C" {

// Every session logged on now loses its server: its open work is gone, the
// calls that reach the server (execute, commit, rollback) answer ORA-03114
// and so does its end; freeing its handles and detaching still work, and a
// new session logs on as usual. Answers the number of sessions lost.
int standin_lose_link(void);

}
