#include "qt/qt_shell.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include "app/config_keys.h"
#include "qt/text_bytes.h"

namespace lobbyfind::qt {
namespace {

QString FileName(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

}  // namespace

bool QtShell::Open(const std::string& target, const std::string& parameters,
                   const std::string& directory) {
  const QUrl url(ToScreen(target));
  if (url.scheme() == "http" || url.scheme() == "https") {
    // Web addresses take neither parameters nor a working directory.
    return QDesktopServices::openUrl(url);
  }
  const std::string launcher = launcher_ ? launcher_() : std::string(app::kDefaultLauncher);
  QStringList arguments = QProcess::splitCommand(ToScreen(parameters));
  QString program = FileName(target);
  if (!launcher.empty()) {
    arguments.prepend(program);
    program = FileName(launcher);
  }
  // Detached: the game outlives the lobby and is never waited for.
  return QProcess::startDetached(program, arguments, FileName(directory));
}

}  // namespace lobbyfind::qt
