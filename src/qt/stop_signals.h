// SIGTERM and SIGINT (a session's logout, a terminal's Ctrl+C) end the
// program through its event loop, like closing the window: the destructors
// run, so the router's mappings are removed and the game withdrawn.
#pragma once

class QCoreApplication;

namespace lobbyfind::qt {

// Installs the handlers; the application must outlive the event loop.
void QuitOnStopSignals(QCoreApplication& application);

}  // namespace lobbyfind::qt
