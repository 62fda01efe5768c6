// The game list page and the periodic timer: keeping the answer server open,
// refreshing the list, pinging the own machine, noticing the running game,
// withdrawing a stale listing, and the two commands that start the game.
#include <filesystem>
#include <optional>

#include "app/form1.h"
#include "app/program_version.h"
#include "game/game_bridge.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kPlayingLine = "You are now marked, as playing!";
constexpr std::string_view kNotPlayingLine = "You are now marked, as not playing!";
constexpr std::string_view kAnswerFailedPrefix = "Answer server error: ";

}  // namespace

void TForm1::CreateNetworkComponents() {
  // Made one by one: the order in which the parts get their ports is fixed.
  auto sender = deps_.make_udp_sender();
  auto listener = deps_.make_tcp_listener();
  auto sweep = deps_.make_timer();
  auto slices = deps_.make_timer();
  presence_ = std::make_unique<presence::Presence>(std::move(sender), std::move(listener), std::move(sweep),
                                                   *deps_.clock, deps_.answer_port, std::move(slices));
  // Made after the parts above, so their order stays as it was.
  shown_games_.SetSliceTimer(deps_.make_timer());
  auto& games = presence_->game_list();
  games.OnLinesReplaced = [this](const std::vector<std::string>& /*lines*/) {
    shown_games_.ListReplaced(GameSource());
  };
  games.OnLineChanged = [this](std::size_t index, const std::string& /*line*/) {
    shown_games_.LineChanged(GameSource(), index);
  };
  // An answer the program could not handle (say, a map the game's settings
  // name but the platform cannot read) goes to the log; the server goes on.
  presence_->Antwortserver().OnAnswerFailed = [this](const std::string& reason) {
    AddChatLine(LineKind::lkSystem, std::string(kAnswerFailedPrefix) + reason);
  };
  auto& listing = presence_->own_listing();
  listing.Nickname = [this] { return irc_client_ ? irc_client_->Nickname() : std::string(); };
  listing.CurrentMapName = [this] { return deps_.game->CurrentMapName(); };
  listing.AddServer = [this](const std::string& name, std::uint16_t port, const std::string& map) {
    if (webinterface_) webinterface_->AddServer(name, port, std::to_string(kProgramVersion), map);
  };
  listing.DeleteServer = [this] {
    if (webinterface_) webinterface_->DeleteServer();
  };
  timer2_->OnTimer = [this] { Timer2Timer(); };
  AtClose([this] { presence_->Antwortserver().Deactivate(); });
  AtClose([this] { FreeNetworkComponents(); });
}

void TForm1::FreeNetworkComponents() {
  // The periodic work needs the parts freed here; the window is going away.
  timer2_->SetEnabled(false);
  webinterface_.reset();
  http_.reset();
  presence_.reset();  // the UDP socket, then the answer server
}

void TForm1::Timer2Timer() {
  if (!presence_) {
    return;
  }
  // A port another program holds is tried again on the next tick.
  if (!presence_->Antwortserver().Active()) {
    (void)presence_->Antwortserver().Activate();
  }
  if (online_state_ == OnlineState::osOnline) {
    // The map a hosted game announces is read between ticks, so the game's
    // latest choice is fetched now.
    deps_.game->RefreshSettings({});
    Button2Click();
    // A game hosted here answers, and its answer announces it.
    (void)presence_->PingOwnMachine();
    if (deps_.game->IsPlaying()) {
      online_state_ = OnlineState::osPlaying;
      if (webinterface_) webinterface_->DeleteServer();
      AddChatLine(LineKind::lkSystem, kPlayingLine);
    }
  }
  if (online_state_ == OnlineState::osPlaying && !deps_.game->IsPlaying()) {
    online_state_ = OnlineState::osOnline;
    AddChatLine(LineKind::lkSystem, kNotPlayingLine);
  }
  presence_->own_listing().Tick();
}

void TForm1::Button2Click() {
  if (webinterface_) webinterface_->RequestServerList();
}

void TForm1::Button1Click() {
  if (!presence_) {
    return;
  }
  const auto lines = view_.Items(Control::ListBox1);
  const auto& ips = presence_->game_list().serverips();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    // A shown line stands for the server the filter and the order put there.
    const auto server = shown_games_.ServerOfLine(static_cast<int>(i));
    if (!view_.Selected(Control::ListBox1, static_cast<int>(i)) || !server || *server >= ips.size()) {
      continue;
    }
    // The address is taken into the values at once: reporting a failed
    // write runs the event loop (an error box), and a new server list may
    // replace the lists meanwhile.
    WriteAddressAndLaunch(ips[*server]);
  }
}

void TForm1::Button4Click() { WriteAddressAndLaunch(""); }

void TForm1::WriteAddressAndLaunch(const std::string& address) {
  // The values may reach the registry only later; the game reads them when
  // it starts, so it is launched once they are in.
  deps_.game->SetServerAddress(address, [this, alive = std::weak_ptr<const bool>(alive_)](std::exception_ptr failure) {
    if (alive.expired()) return;
    if (failure) {
      // The game would join whatever address was written before: say why
      // and do not start it.
      Reporting([&] { std::rethrow_exception(failure); });
      return;
    }
    LaunchGame();
  });
}

void TForm1::LaunchGame() {
  const std::string directory = view_.Text(Control::currentgtadirectory);
  std::string program = directory;
  program.push_back(static_cast<char>(std::filesystem::path::preferred_separator));
  program.append(game::kGameExecutable);
  // A launch that fails is not reported: the game's window never appears.
  (void)deps_.shell->Open(program, std::string(game::kNetworkParameter), directory);
}

}  // namespace lobbyfind::app
