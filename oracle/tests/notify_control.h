// The stand-in's change notifications, sent on its own threads, and their
// delivery to a component's window as the main thread's message loop does.
#pragma once

#include <string>

#include "oracle/conn_util_window.h"
#include "oracle/notify_ora_change_notification.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {

class NotifyControl : public StandinControl {
 public:
  using StandinControl::StandinControl;
  int Notify(int event, const std::string& changes) {
    return reinterpret_cast<int (*)(int, const char*)>(Symbol("standin_notify"))(event, changes.c_str());
  }
  void Join() { reinterpret_cast<void (*)()>(Symbol("standin_notify_join"))(); }
  // Sends an object change, lets its callback post it, and has the main
  // thread take it; answers the subscriptions that heard it.
  int Deliver(TOraChangeNotification& component, const std::string& changes) {
    const int heard = Notify(6, changes);
    Join();
    component.GetNotification().NotifyWindow()->ProcessMessages();
    return heard;
  }
};

}  // namespace oracle::testing
