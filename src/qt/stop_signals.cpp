#include "qt/stop_signals.h"

#include <QCoreApplication>

#ifndef _WIN32
#include <QSocketNotifier>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace lobbyfind::qt {

#ifndef _WIN32
namespace {

// The handler may only write a byte: the event loop reads it and quits.
int stop_pipe[2] = {-1, -1};

void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  (void)!write(stop_pipe[0], &byte, 1);
  errno = saved;
}

}  // namespace

void QuitOnStopSignals(QCoreApplication& application) {
  if (stop_pipe[0] >= 0 || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, stop_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(stop_pipe[1], QSocketNotifier::Read, &application);
  QObject::connect(notifier, &QSocketNotifier::activated, &application, [notifier] {
    notifier->setEnabled(false);
    QCoreApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}
#else
// Windows ends a program through its windows' messages.
void QuitOnStopSignals(QCoreApplication&) {}
#endif

}  // namespace lobbyfind::qt
