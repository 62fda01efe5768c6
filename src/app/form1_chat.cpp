// The chat room: the login from the Start page, the channel, the network's
// nickname service, the players list and the lines the chat events write.
#include <algorithm>

#include "app/chat_room.h"
#include "app/form1.h"
#include "game/game_settings.h"

namespace lobbyfind::app {
namespace {

constexpr std::string_view kNickServ = "NickServ";
// The nickname service's notices, as the network sends them.
constexpr std::string_view kNickRegistered = "einen anderen Nickname.";
constexpr std::string_view kWrongPassword = "Falsches Passwort.";
constexpr std::string_view kPasswordAccepted = "Passwort akzeptiert - du bist jetzt angemeldet.";
constexpr std::string_view kIdentifyCommand = "PRIVMSG NickServ :IDENTIFY ";

constexpr std::string_view kStatusConnecting = "Loggin in ... Trying to connect";
constexpr std::uint8_t kPercentConnecting = 13;
constexpr std::string_view kStatusDone = "Logging in ... done!";
constexpr std::string_view kNeedPassword =
    "You need to type in a password, because your Nick is registered!";
constexpr std::string_view kPasswordWrong =
    "Your password was not corrrect!\r\n"
    "You need to type in the correct password, because your Nick is registered!";
constexpr std::string_view kLoginsTransferred = "Successfully transfered your logins!";
constexpr std::string_view kServerChangedNick =
    "The server changed your nickname, because, yours was registred by an other user already!";
constexpr std::string_view kConnectionErrorPrefix = "Chat connection error: ";
constexpr std::string_view kServerClosedConnection = "the chat server closed the connection";

// Nicknames compared as the server compares them in a nickname change: the
// letters A to Z without regard to case, everything else exactly.
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

}  // namespace

void TForm1::SetupChat() {
  if (!deps_.make_tcp_connection) {
    return;
  }
  irc_client_ = std::make_unique<chat::TIrcClient>(deps_.make_tcp_connection, deps_.make_timer);
  chat::TIrcClient& irc = *irc_client_;
  // Each event is a handler of its own: a failure in one (a player name the
  // game's settings refuse, say) is reported and the chat goes on.
  irc.NewMessageInChannel = [this](const std::string&, const std::string& from, const std::string&,
                                   const std::string& content) {
    Reporting([&] { IrcClientNewMessageInChannel(from, content); });
  };
  irc.NewPrivateMessage = [this](const std::string&, const std::string& from, const std::string& content) {
    Reporting([&] { IrcClientNewPrivateMessage(from, content); });
  };
  irc.NewDataArrived = [this](const std::string&, const std::string& from, const std::string&,
                              const std::string& content) {
    Reporting([&] { IrcClientNewDataArrived(from, content); });
  };
  irc.MODTFinished = [this](const std::string&) { Reporting([&] { IrcClientMODTFinished(); }); };
  irc.UserJoined = [this](const std::string&, const std::string& user, const std::string&) {
    Reporting([&] { IrcClientUserJoined(user); });
  };
  irc.UserListReceived = [this](const std::string&, const std::string&, std::vector<std::string>& users) {
    Reporting([&] { IrcClientUserListReceived(users); });
  };
  irc.UserKicked = [this](const std::string&, const std::string&, const std::string&, const std::string& user,
                          const std::string&) { Reporting([&] { IrcClientUserKicked(user); }); };
  irc.UserLeft = [this](const std::string&, const std::string& user, const std::string&) {
    Reporting([&] { IrcClientUserLeft(user); });
  };
  irc.UserQuit = [this](const std::string&, const std::string& user, const std::string&) {
    Reporting([&] { IrcClientUserQuit(user); });
  };
  irc.UserChangedNick = [this](const std::string&, const std::string& old_name, const std::string& new_name) {
    Reporting([&] { IrcClientUserChangedNick(old_name, new_name); });
  };
  irc.NicknameAllreadyUsed = [this](const std::string&, const std::string&) {
    Reporting([&] { IrcClientNicknameAllreadyUsed(); });
  };
  irc.ShowMessage = [this](const std::string& text) { view_.ShowMessage(text); };
  irc.ConnectionError = [this](const std::string& reason) { IrcClientConnectionError(reason); };
  irc.ConnectionClosed = [this] { IrcClientConnectionClosed(); };
}

void TForm1::Button7Click() {
  if (!irc_client_ || !config_) {
    return;
  }
  online_state_ = OnlineState::osConnecting;
  chat_error_shown_ = false;
  std::string host;
  if (!config_->ReadString(kKeyIrcHost, host) || host.empty()) {
    host = kDefaultIrcHost;
  }
  std::int32_t port = kDefaultIrcPort;
  if (!config_->ReadInteger(kKeyIrcPort, port) || port < 1 || port > 65535) {
    port = kDefaultIrcPort;
  }
  // A login while another runs or stands replaces it: the client holds one
  // connection and closes the old one first.
  irc_client_->Connect(host, port);
  SetStatus(kStatusConnecting, kPercentConnecting);
}

void TForm1::IrcClientConnectionError(const std::string& reason) {
  // Written to the chat log rather than thrown at the user in a box; the
  // Start page and "Login" stay as they are, so the user can try again.
  AddChatLine(LineKind::lkSystem, std::string(kConnectionErrorPrefix) + reason);
  chat_error_shown_ = true;
}

void TForm1::IrcClientConnectionClosed() {
  // The server is gone (restarted, crashed, or the network broke): say so and
  // bring back the Start page, so that "Login" is at hand again. The players
  // list would only show people the user can no longer reach. A broken
  // connection whose error is already in the log needs no second line.
  if (!chat_error_shown_) {
    AddChatLine(LineKind::lkSystem, std::string(kConnectionErrorPrefix) + std::string(kServerClosedConnection));
  }
  view_.SetItems(Control::ListBox2, {});
  ShowLoginPage();
  view_.SetActivePage(Control::tab_Start);
  // The online state is left alone: it also drives the game's presence, and
  // a game hosted or played here runs on without the chat. Timer2 keeps
  // pinging it, so its listing stays while it answers and is withdrawn when
  // it stops, and closing the game still brings "not playing". A connection
  // that never came up leaves the login in osConnecting, as a refused login
  // does, until "Login" is pressed again.
}

void TForm1::IrcClientMODTFinished() { irc_client_->JoinChannel(kChatChannel); }

void TForm1::ShowGamesPage() {
  view_.SetPageVisible(Control::tab_Internetgames, true);
  view_.SetPageVisible(Control::tab_Start, false);
}

void TForm1::ShowLoginPage() {
  view_.SetPageVisible(Control::tab_Internetgames, false);
  view_.SetPageVisible(Control::tab_Start, true);
}

void TForm1::IrcClientUserListReceived(std::vector<std::string>& Users) {
  view_.SetItems(Control::ListBox2, {});
  for (const auto& name : Users) {
    view_.AddItem(Control::ListBox2, name);  // the list keeps itself sorted
  }
  Users.clear();  // the next names reply starts afresh
  if (online_state_ != OnlineState::osConnecting) {
    return;
  }
  ShowGamesPage();
  online_state_ = OnlineState::osOnline;
  SetStatus(kStatusDone, 100);
  view_.SetActivePage(Control::tab_Internetgames);
}

void TForm1::IrcClientNewDataArrived(const std::string& FromUser, const std::string& Content) {
  if (FromUser != kNickServ) {
    return;
  }
  if (Content == kNickRegistered) {
    online_state_ = OnlineState::osIdentify;
    const std::string password = view_.Text(Control::Edit4);
    if (!password.empty()) {
      irc_client_->SendCommand(std::string(kIdentifyCommand) + password);
      return;
    }
    view_.ShowMessage(kNeedPassword);
    irc_client_->Disconnect();
    ShowLoginPage();
    view_.SetItems(Control::ListBox2, {});
    view_.ChatLogClear();
  } else if (Content == kWrongPassword) {
    online_state_ = OnlineState::osIdentify;
    view_.ShowMessage(kPasswordWrong);
    view_.SetItems(Control::ListBox2, {});
    view_.ChatLogClear();
    irc_client_->Disconnect();
    ShowLoginPage();
  } else if (Content == kPasswordAccepted) {
    ShowGamesPage();
    online_state_ = OnlineState::osOnline;
    AddChatLine(LineKind::lkSystem, kLoginsTransferred);
    SetStatus(kStatusDone, 100);
  }
}

void TForm1::IrcClientNewMessageInChannel(const std::string& FromUser, const std::string& Content) {
  const std::string line = FromUser + " : " + Content;
  if (NamesNickname(Content, irc_client_->Nickname())) {
    chat_colour_ = kChatColour;  // as the line's kind would have set it
    AppendChatLine(line, kHighlightColour);
  } else {
    AddChatLine(LineKind::lkChat, line);
  }
  Notify(NotificationRules::ChannelMessage(FromUser, Content, MomentFor(Control::notifymynick)));
}

void TForm1::IrcClientNewPrivateMessage(const std::string& FromUser, const std::string& Content) {
  AddChatLine(LineKind::lkWhisper, FromUser + " whispers : " + Content);
  Notify(NotificationRules::WhisperArrived(FromUser, Content, MomentFor(Control::notifywhispers)));
}

void TForm1::IrcClientUserJoined(const std::string& Username) {
  const auto players = view_.Items(Control::ListBox2);
  if (std::find(players.begin(), players.end(), Username) == players.end()) {
    view_.AddItem(Control::ListBox2, Username);
  }
  AddChatLine(LineKind::lkNotice, Username + " joined.");
}

void TForm1::RemovePlayer(const std::string& name, std::string_view line_suffix) {
  const auto players = view_.Items(Control::ListBox2);
  const auto it = std::find(players.begin(), players.end(), name);
  if (it == players.end()) {
    return;
  }
  view_.DeleteItem(Control::ListBox2, static_cast<int>(it - players.begin()));
  AddChatLine(LineKind::lkNotice, name + std::string(line_suffix));
}

void TForm1::IrcClientUserLeft(const std::string& Username) { RemovePlayer(Username, " has left"); }
void TForm1::IrcClientUserQuit(const std::string& FromUser) { RemovePlayer(FromUser, " quit"); }
void TForm1::IrcClientUserKicked(const std::string& UserName) { RemovePlayer(UserName, " was kicked"); }

void TForm1::IrcClientUserChangedNick(const std::string& OldUsername, const std::string& newusername) {
  // The entries to rename are taken before the first rename: the players
  // list sorts itself, so a renamed entry may move, and going by index would
  // meet it again or pass over another.
  const std::vector<std::string> before = view_.Items(Control::ListBox2);
  for (const std::string& entry : before) {
    if (!SameIgnoringCase(entry, OldUsername)) {
      continue;
    }
    if (SameIgnoringCase(OldUsername, irc_client_->Nickname())) {
      // The server renamed this very user: the game and the name field
      // follow, so the next login and the next hosted game use the new name.
      AddChatLine(LineKind::lkNotice, kServerChangedNick);
      irc_client_->SetNickname(newusername);
      deps_.game->SetPlayerName(irc_client_->Nickname(), ShowWriteFailure());
      PutText(Control::currentplayername, newusername);
    }
    // Renamed in place: the first entry that still reads as it did. Should
    // that be one renamed already (a rename to the same text), the list
    // looks the same either way.
    const std::vector<std::string> now = view_.Items(Control::ListBox2);
    const auto at = std::find(now.begin(), now.end(), entry);
    if (at != now.end()) {
      view_.SetItem(Control::ListBox2, static_cast<int>(at - now.begin()), newusername);
    }
    AddChatLine(LineKind::lkNotice, OldUsername + " is now known as " + newusername);
  }
}

}  // namespace lobbyfind::app
