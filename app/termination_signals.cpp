#include "app/termination_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <stdexcept>

namespace app {

namespace {

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockTerminationSignals() {
  const sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

sigset_t ChildSignalMask() {
  sigset_t mask;
  pthread_sigmask(SIG_BLOCK, nullptr, &mask);
  sigdelset(&mask, SIGTERM);
  sigdelset(&mask, SIGINT);
  sigdelset(&mask, SIGHUP);
  return mask;
}

TTerminationSignals::TTerminationSignals(std::function<void(int)> on_signal)
    : on_signal_(std::move(on_signal)) {
  const sigset_t set = TerminationSet();
  descriptor_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (descriptor_ < 0)
    throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
  notifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TTerminationSignals::ReadSignals);
}

TTerminationSignals::~TTerminationSignals() {
  delete notifier_;
  ::close(descriptor_);
}

void TTerminationSignals::ReadSignals() {
  signalfd_siginfo info;
  while (::read(descriptor_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
    on_signal_(static_cast<int>(info.ssi_signo));
}

}  // namespace app
