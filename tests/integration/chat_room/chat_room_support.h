// The real program's window over a settings file that points the chat at a
// loopback server, with the game's settings in memory and a usable game
// directory (so the settings load asks nothing).
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "game/memory_registry.h"
#include "game/registry_procedures.h"
#include "qt/lobby_app.h"

namespace lobbyfind::qt {

inline constexpr int kWaitMs = 10000;

class ChatRoomWindow : public ::testing::Test {
 protected:
  // Builds the window and waits for its settings load to finish; `adjust`
  // may change the program's options first.
  void StartWindow(std::uint16_t irc_port, const std::string& player_name,
                   const std::function<void(LobbyApp::Options&)>& adjust = {});
  [[nodiscard]] QString LastChatLine() const;
  [[nodiscard]] QColor LastChatColour() const;

  QTemporaryDir dir_;
  game::MemoryRegistry registry_;
  std::unique_ptr<LobbyApp> lobby_;
};

}  // namespace lobbyfind::qt
