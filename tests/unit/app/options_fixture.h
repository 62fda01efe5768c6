// A TForm1 with its chat client over fake connections: what the options page and the chat room
// tests need beside the plain window fixture.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "form_fixture.h"
#include "game/game_settings.h"

namespace lobbyfind::test {

class OptionsFixture : public FormFixture {
 protected:
  static constexpr auto kMachine = game::RegistryRoot::kLocalMachine;

  // Creates the window and runs the settings load, as 500 ms after start.
  app::TForm1& CreateAndLoad() {
    auto& form = Create();
    UpdateconfigTimer().Tick();
    return form;
  }

  void PutDword(std::string_view name, std::uint32_t value) {
    registry_.PutDword(kMachine, game::kNetworkKeyPath, name, value);
  }
  void PutString(std::string_view name, std::string_view text) {
    registry_.PutString(kMachine, game::kNetworkKeyPath, name, text);
  }
  [[nodiscard]] std::optional<std::uint32_t> Dword(std::string_view name) const {
    const auto value = registry_.Find(kMachine, game::kNetworkKeyPath, name);
    if (!value || value->type != game::reg_type::kDword || value->data.size() != 4) return std::nullopt;
    std::uint32_t number = 0;
    std::memcpy(&number, value->data.data(), 4);
    return number;
  }
  [[nodiscard]] std::optional<std::string> String(std::string_view name) const {
    const auto value = registry_.Find(kMachine, game::kNetworkKeyPath, name);
    if (!value || value->type != game::reg_type::kSz) return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
  }
  // Names of the registry values written, in order.
  [[nodiscard]] std::vector<std::string> WrittenNames() const {
    std::vector<std::string> names;
    for (const auto& w : registry_.writes()) names.push_back(w.name);
    return names;
  }
  [[nodiscard]] std::vector<std::string> ChatTexts() const {
    std::vector<std::string> lines;
    for (const auto& line : view_.chat_log) lines.push_back(line.text);
    return lines;
  }
  // The newest chat connection. The directory exchanges take their
  // connections from the same factory; they go to the default directory
  // service's port, which no chat test uses.
  [[nodiscard]] FakeTcpConnection& Irc() {
    for (auto it = net_.connections.rbegin(); it != net_.connections.rend(); ++it) {
      if ((*it)->record()->port != kDirectoryPort) return **it;
    }
    ADD_FAILURE() << "no chat connection";
    return net_.Last();
  }

};

}  // namespace lobbyfind::test
