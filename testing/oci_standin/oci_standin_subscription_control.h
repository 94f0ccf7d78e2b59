// The control interface of the stand-in's change notification (beside
// oci_standin_control.h): notifications sent to the registered
// subscriptions on threads of the stand-in's own, and a hold that keeps a
// callback in flight until the subscription is unregistered.
#pragma once

extern "C" {

// Sends event `event` (0-6; 6 is an object change) to every registered,
// enabled subscription, on a new thread, and returns the number of
// subscriptions it will call. `changes` describes an object change:
// tables separated by ';', each "NAME:flags" optionally followed by
// ":ROWID/flags,ROWID/flags" (flags as the server sends them: 2 insert,
// 4 update, 8 delete, 1 all rows, 0x10 alter, 0x20 drop). A subscription
// registered for some operations only hears changes that have one of them.
int standin_notify(int event, const char* changes);
// Waits for every notification thread sent so far.
void standin_notify_join(void);
// With hold set, a callback waits before it runs until the hold is
// cleared or its subscription starts unregistering (which then waits for
// it): the callback is in flight while the unregister runs.
void standin_notify_hold(int hold);
// Callbacks that have begun waiting on the hold or running.
int standin_notify_in_flight(void);
// Registered subscriptions.
int standin_subscriptions(void);

}
