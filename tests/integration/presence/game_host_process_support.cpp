#include "game_host_process.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include "support/free_port.h"

namespace lobbyfind::presence::testing {

GameHostProcess::~GameHostProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();  // SIGTERM: the host stops its loop and exits
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(1000);
  }
}

bool GameHostProcess::Start(const QStringList& arguments) {
  process_.setProgram(QStringLiteral(LOBBYFIND_GAMEHOST_PATH));
  process_.setArguments(arguments);
  process_.setProcessChannelMode(QProcess::SeparateChannels);
  process_.start();
  if (!process_.waitForStarted(5000)) return false;
  // The host says so once its UDP socket is bound.
  return RunUntil([this] { return Output().contains("listening on") || process_.state() == QProcess::NotRunning; },
                         5000) &&
         process_.state() == QProcess::Running;
}

QString GameHostProcess::Output() {
  output_ += QString::fromUtf8(process_.readAllStandardOutput());
  return output_;
}

QString GameHostProcess::Errors() { return QString::fromUtf8(process_.readAllStandardError()); }

bool RunUntil(const std::function<bool()>& done, int timeout_ms) {
  if (done()) return true;
  QEventLoop loop;
  QTimer check;
  check.setTimerType(Qt::PreciseTimer);
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  check.start(1);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

std::uint16_t FreeTcpPort() { return test::FreeTcpPort(); }

}  // namespace lobbyfind::presence::testing
