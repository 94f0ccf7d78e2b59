// Requests to end the program from outside (SIGTERM from a logout, a
// shutdown or `kill`, SIGINT from a terminal, SIGHUP when the terminal
// goes) handled as events of the window's event loop.
//
// The three signals are blocked in every thread and read from a signal
// descriptor instead: a client library that installs handlers of its own
// (the Firebird client shuts its connections down on SIGTERM and SIGINT and
// swallows the signal) never sees them, and the program decides when to
// end, after its run and with the registry put back.
#pragma once

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

namespace app {

// Blocks the three signals in the calling thread. Called first thing in
// main, before any thread starts, so that every later thread inherits the
// mask.
void BlockTerminationSignals();

// The signal mask a child program starts with: the caller's mask without
// the three signals, so auxiliary programs can be ended as usual.
sigset_t ChildSignalMask();

// Reads the signals pending for the process (or the creating thread) on the
// thread that creates it and calls `on_signal` with each signal's number.
class TTerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TTerminationSignals(std::function<void(int)> on_signal);
  ~TTerminationSignals() override;
  TTerminationSignals(const TTerminationSignals&) = delete;
  TTerminationSignals& operator=(const TTerminationSignals&) = delete;

 private:
  void ReadSignals();

  int descriptor_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  std::function<void(int)> on_signal_;
};

}  // namespace app
