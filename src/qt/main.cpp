// The Linux edition: one main window over the core, then the event loop.
#include <QApplication>

#include "qt/lobby_app.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  lobbyfind::qt::LobbyApp lobby;
  lobby.window().show();
  return QApplication::exec();
}
