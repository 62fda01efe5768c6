// The stand-in game host as a child process of the test, stopped with
// SIGTERM when the test ends.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace lobbyfind::presence::testing {

class GameHostProcess {
 public:
  GameHostProcess() = default;
  ~GameHostProcess();
  GameHostProcess(const GameHostProcess&) = delete;
  GameHostProcess& operator=(const GameHostProcess&) = delete;

  // Starts the host and waits until it listens. False when it did not.
  bool Start(const QStringList& arguments);
  // Everything the host printed so far.
  QString Output();
  QString Errors();

 private:
  QProcess process_;
  QString output_;
};

// Runs the event loop until `done` holds or `timeout_ms` pass; true when it
// holds. Unlike QTest::qWaitFor, which sleeps between its looks, the loop
// stays in the event dispatcher, so socket events are handled the moment
// they arrive and measured round trips carry no added wait.
bool RunUntil(const std::function<bool()>& done, int timeout_ms);

// A TCP port nobody listens on right now (on all IPv4 interfaces).
std::uint16_t FreeTcpPort();

}  // namespace lobbyfind::presence::testing
