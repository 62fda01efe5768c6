// The directory client of the main window: created at start-up over the host
// the settings name, and the window's handlers of its four events.
#include "app/form1.h"
#include "app/network_settings.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kConnectFailedLine = "Can't establish, connection to the serverlist!";

}  // namespace

void TForm1::CreateWebinterface() {
  http_ = std::make_unique<directory::HttpExchange>(deps_.make_tcp_connection, deps_.make_timer,
                                                   deps_.http_limits);
  webinterface_ = std::make_unique<directory::cWebinterface>(*http_, DirectoryHost(*config_));
  webinterface_->SetStepTimer(deps_.make_timer());
  webinterface_->OnVersionResult = [this](bool update_available, const std::string& text) {
    HandleVersionResult(update_available, text);
  };
  webinterface_->OnServerList = [this](const directory::tServerLists& lists) { HandleServerList(lists); };
  // A long list's requests start while the rest of it is still being read.
  webinterface_->OnServersAhead = [this](std::size_t first, std::span<const std::string> ips) {
    if (presence_) presence_->game_list().ServersAhead(first, ips);
  };
  webinterface_->OnConnectFailed = [this] { HandleConnectFailed(); };
  webinterface_->OnNewsItem = [this](const std::string& title, const std::string& content,
                                     const std::string& author, const std::string& time) {
    HandleNewsItem(title, content, author, time);
  };
  webinterface_->OnPortCheck = [this](directory::cWebinterface::PortCheck result, const std::string& ip) {
    AddChatLine(LineKind::lkSystem, PortCheckLine(result, ip));
  };
  CheckVersion = [this](std::int32_t version) { webinterface_->CheckVersion(version); };
  RequestNews = [this] { webinterface_->RequestNews(); };
}

void TForm1::CheckPortsButtonClick() {
  Reporting([this] {
    if (webinterface_) webinterface_->CheckPorts();
  });
}

void TForm1::HandleVersionResult(bool UpdateAvailable, const std::string& text) {
  connect_fail_shown_ = false;
  if (UpdateAvailable) {
    view_.ShowMessage(text);
  }
}

void TForm1::HandleNewsItem(const std::string& title, const std::string& content, const std::string& author,
                            const std::string& time) {
  AddNewsItem(title, content, author, time);
}

void TForm1::HandleConnectFailed() {
  // One line per run of failures: a dead directory would otherwise fill the
  // chat log once per tick.
  if (connect_fail_shown_) {
    return;
  }
  connect_fail_shown_ = true;
  AddChatLine(LineKind::lkSystem, kConnectFailedLine);
}

void TForm1::HandleServerList(const directory::tServerLists& lists) {
  connect_fail_shown_ = false;
  if (!presence_) {
    return;  // the window is closing
  }
  // The lists are replaced as a whole by every reply, but the server the
  // user picked stays picked while it is listed (same address and name, at
  // whatever line it now stands): the shown list keeps it (ListReplaced).
  // The games the directory could not reach are marked on their shown lines.
  shown_games_.SetUnreachable(lists.Unreachable);
  presence_->game_list().HandleServerList(lists.ServerNames, lists.Maps, lists.IPs);
  const bool hosting = presence_->own_listing().ListingActive();
  if (own_reachability_.Observe(lists, hosting, irc_client_ ? irc_client_->Nickname() : std::string())) {
    AddChatLine(LineKind::lkSystem, UnreachableOwnGameLine(view_.Checked(Control::upnp)));
  }
  NotifyNewGames(lists.ServerNames, lists.Maps);
}

}  // namespace lobbyfind::app
