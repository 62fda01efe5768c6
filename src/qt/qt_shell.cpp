#include "qt/qt_shell.h"

#include <QDesktopServices>
#include <QUrl>

#include "qt/text_bytes.h"

namespace lobbyfind::qt {

bool QtShell::Open(const std::string& target, const std::string& parameters,
                   const std::string& directory) {
  // Web addresses take neither parameters nor a working directory.
  (void)parameters;
  (void)directory;
  return QDesktopServices::openUrl(QUrl(ToScreen(target)));
}

}  // namespace lobbyfind::qt
