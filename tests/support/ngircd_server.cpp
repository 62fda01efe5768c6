#include "ngircd_server.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace lobbyfind::chat::testing {

namespace {

QString FindNgircd() {
  QString path = QStandardPaths::findExecutable("ngircd");
  if (path.isEmpty()) path = QStandardPaths::findExecutable("ngircd", {"/usr/sbin", "/usr/local/sbin"});
  return path;
}

}  // namespace

NgircdServer::~NgircdServer() { Stop(); }

std::uint16_t NgircdServer::FreeLoopbackPort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

bool NgircdServer::Start(std::uint16_t port) {
  const QString program = FindNgircd();
  if (program.isEmpty()) {
    error_ = "ngircd is not installed (Debian package ngircd)";
    return false;
  }
  if (!dir_.isValid()) {
    error_ = "no temporary folder";
    return false;
  }
  // ngircd refuses to run as root and switches to nobody, who must be able to
  // write its pid file here.
  QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                         QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
  QFile template_file(LOBBYFIND_NGIRCD_CONF_TEMPLATE);
  if (!template_file.open(QIODevice::ReadOnly)) {
    error_ = "cannot read " LOBBYFIND_NGIRCD_CONF_TEMPLATE;
    return false;
  }
  port_ = port != 0 ? port : FreeLoopbackPort();
  QByteArray config = template_file.readAll();
  config.replace("@PORT@", QByteArray::number(port_));
  config.replace("@PIDFILE@", dir_.filePath("ngircd.pid").toUtf8());
  config.replace("@USER_SETTINGS@", geteuid() == 0 ? "ServerUID = nobody\nServerGID = nogroup" : "");
  const QString config_path = dir_.filePath("ngircd.conf");
  QFile config_file(config_path);
  if (!config_file.open(QIODevice::WriteOnly) || config_file.write(config) != config.size()) {
    error_ = "cannot write the server configuration";
    return false;
  }
  config_file.close();

  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(program, {"-n", "-f", config_path});
  if (!process_.waitForStarted(5000)) {
    error_ = "ngircd did not start: " + process_.errorString().toStdString();
    return false;
  }
  if (!WaitUntilListening(5000)) {
    error_ = "ngircd is not listening: " + process_.readAll().toStdString();
    Stop();
    return false;
  }
  return true;
}

bool NgircdServer::WaitUntilListening(int timeout_ms) {
  const QDeadlineTimer deadline(timeout_ms);
  while (!deadline.hasExpired()) {
    if (process_.state() != QProcess::Running) return false;
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, port_);
    if (probe.waitForConnected(200)) {
      probe.abort();
      return true;
    }
    QTest::qWait(20);
  }
  return false;
}

void NgircdServer::Kill() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.kill();
  process_.waitForFinished(3000);
}

void NgircdServer::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

}  // namespace lobbyfind::chat::testing
