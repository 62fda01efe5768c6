#include "chat/irc_client.h"

#include <utility>
#include <variant>

#include "chat/irc_decoder.h"
#include "ports/depth_guard.h"

namespace lobbyfind::chat {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kInvalidPort = "Invalid port number";

std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (const std::string_view p : parts) out.append(p);
  return out;
}

std::string WithoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != '\r' && c != '\n') out.push_back(c);
  }
  return out;
}

}  // namespace

TIrcClient::TIrcClient(ports::TcpConnectionFactory connections, ports::TimerFactory timers)
    : connection_factory_(std::move(connections)), registration_timer_(timers()) {
  registration_timer_->SetEnabled(false);
  registration_timer_->SetInterval(kRegistrationFallbackMs);
  registration_timer_->OnTimer = [this] {
    registration_timer_->SetEnabled(false);
    if (socket_ && socket_->IsConnected() && !registered_) Register();
  };
}

TIrcClient::~TIrcClient() {
  registration_timer_->OnTimer = nullptr;
  if (socket_) socket_->Close();
}

void TIrcClient::Connect(const std::string& Host, int Port) {
  if (socket_) {
    socket_->Close();
    Retire(std::move(socket_));
  }
  ++generation_;
  registration_timer_->SetEnabled(false);
  line_buffer_.Reset();
  registered_ = false;

  socket_ = connection_factory_();
  ports::TcpConnection* conn = socket_.get();
  conn->OnConnected = [this, conn] { SocketConnected(conn); };
  conn->OnData = [this, conn](std::string_view bytes) { SocketRead(conn, bytes); };
  conn->OnError = [this, conn](const std::string& reason) { SocketError(conn, reason); };
  conn->OnClosed = [this, conn] { SocketClosed(conn); };
  server_host_ = Host;
  if (Port < 1 || Port > 65535) {
    if (ConnectionError) ConnectionError(std::string(kInvalidPort));
    return;
  }
  conn->Connect(Host, static_cast<std::uint16_t>(Port));
}

void TIrcClient::Disconnect() {
  registration_timer_->SetEnabled(false);
  if (!socket_) return;
  ++generation_;
  socket_->Close();
}

void TIrcClient::Retire(std::unique_ptr<ports::TcpConnection> connection) {
  // A connection must outlive its own notifications, and Connect may be
  // called from within one.
  // Its callbacks stay: one of them may be running, and a closed connection
  // raises no more notifications anyway (stray ones are ignored by sender).
  if (notification_depth_ == 0) retired_.clear();
  retired_.push_back(std::move(connection));
}

void TIrcClient::SendLine(std::string_view line) {
  if (!socket_) return;
  std::string bytes = WithoutLineBreaks(line);
  bytes.append(kLineEnd);
  socket_->Write(bytes);
}

void TIrcClient::SendCommand(std::string_view Line) { SendLine(Line); }

void TIrcClient::ChangeNick(std::string_view Nick) { SendLine(Concat({"NICK ", Nick})); }

void TIrcClient::JoinChannel(std::string_view Channel) { SendLine(Concat({"JOIN #", Channel})); }

void TIrcClient::SendChannelMessage(std::string_view Channel, std::string_view Text) {
  SendLine(Concat({"PRIVMSG #", Channel, " :", Text}));
}

void TIrcClient::SendPrivateMessage(std::string_view Nick, std::string_view Text) {
  SendLine(Concat({"PRIVMSG ", Nick, " :", Text}));
}

void TIrcClient::SetNickname(std::string_view value) {
  nickname_ = WithoutLineBreaks(value);
  if (socket_) SendLine(Concat({"NICK ", nickname_}));
}

void TIrcClient::Register() {
  registered_ = true;
  registration_timer_->SetEnabled(false);
  SendLine(Concat({"NICK ", nickname_}));
  SendLine(Concat({"USER ", nickname_, " hostname ", server_host_, " :", real_name_}));
}

void TIrcClient::SocketConnected(const ports::TcpConnection* from) {
  if (from != socket_.get()) return;
  ports::DepthGuard guard(notification_depth_);
  if (!registered_) registration_timer_->SetEnabled(true);
}

void TIrcClient::SocketRead(const ports::TcpConnection* from, std::string_view bytes) {
  if (from != socket_.get()) return;
  ports::DepthGuard guard(notification_depth_);
  // The lines are taken out of the buffer before any event is raised: a
  // handler may run a modal dialog, during which the next read arrives and is
  // decoded at once, continuing the tail kept here.
  std::vector<std::string> lines;
  line_buffer_.Feed(bytes, lines);
  const std::uint64_t generation = generation_;
  for (const std::string& line : lines) {
    // A handler that disconnected or reconnected is done with these lines:
    // they came on a connection it has left. Decoded all the same, they would
    // act for a connection that is gone, say a names reply right behind a
    // refused login refilling the players list the refusal just emptied, or
    // the old server's lines taken for the new one's.
    if (generation != generation_) return;
    ParseLine(line);
  }
}

void TIrcClient::SocketError(const ports::TcpConnection* from, const std::string& reason) {
  if (from != socket_.get()) return;
  ports::DepthGuard guard(notification_depth_);
  if (!socket_->IsConnected()) registration_timer_->SetEnabled(false);
  if (ConnectionError) ConnectionError(reason);
}

void TIrcClient::SocketClosed(const ports::TcpConnection* from) {
  // Only the server's close arrives here (our own Disconnect raises nothing).
  if (from != socket_.get()) return;
  ports::DepthGuard guard(notification_depth_);
  registration_timer_->SetEnabled(false);
  if (ConnectionClosed) ConnectionClosed();
}

void TIrcClient::ParseLine(std::string_view line) {
  DecodedLine decoded = DecodeIrcLine(line);
  if (decoded.reply) SendLine(*decoded.reply);
  std::visit([this](const auto& event) { Handle(event); }, decoded.event);
}

// --- Events ---

void TIrcClient::Handle(const irc::DataArrived& e) {
  if (NewDataArrived) NewDataArrived(std::string(kFromServer), e.from_user, e.command, e.content);
}

void TIrcClient::Handle(const irc::ChannelMessage& e) {
  if (NewMessageInChannel) NewMessageInChannel(std::string(kFromServerOfMessages), e.from_user, e.channel, e.content);
}

void TIrcClient::Handle(const irc::PrivateMessage& e) {
  if (NewPrivateMessage) NewPrivateMessage(std::string(kFromServerOfMessages), e.from_user, e.content);
}

void TIrcClient::Handle(const irc::UserModeChanged& e) {
  const TUserGetsOp* slot = nullptr;
  switch (e.change) {
    case irc::ModeChange::kOp: slot = &UserGetsOp; break;
    case irc::ModeChange::kDeOp: slot = &UserGetsDeOp; break;
    case irc::ModeChange::kVoice: slot = &UserGetsV; break;
    case irc::ModeChange::kDeVoice: slot = &UserGetsDeV; break;
  }
  if (slot != nullptr && *slot) (*slot)(std::string(kFromServer), e.from_user, e.channel, e.user_name);
}

void TIrcClient::Handle(const irc::UserKicked& e) {
  if (UserKicked) UserKicked(std::string(kFromServer), e.from_user, e.channel, e.user_name, e.why);
}

void TIrcClient::Handle(const irc::UserJoined& e) {
  if (UserJoined) UserJoined(std::string(kFromServer), e.user_name, e.channel);
}

void TIrcClient::Handle(const irc::UserLeft& e) {
  if (UserLeft) UserLeft(std::string(kFromServer), e.user_name, e.channel);
}

void TIrcClient::Handle(const irc::UserChangedNick& e) {
  if (UserChangedNick) UserChangedNick(std::string(kFromServer), e.old_nick, e.new_nick);
}

void TIrcClient::Handle(const irc::UserQuit& e) {
  if (UserQuit) UserQuit(std::string(kFromServer), e.from_user, e.why);
}

void TIrcClient::Handle(const irc::NicknameInUse& e) {
  if (NicknameAllreadyUsed) {
    NicknameAllreadyUsed(std::string(kFromServer), e.from_user);
  } else if (ShowMessage) {
    ShowMessage(e.text);
  }
}

void TIrcClient::Handle(const irc::WhoisUser& e) {
  whois_.userinfo = e.userinfo;
  whois_.was_found = true;
}

void TIrcClient::Handle(const irc::WhoisServer& e) {
  whois_.serverinfo = e.serverinfo;
  whois_.was_found = true;
}

void TIrcClient::Handle(const irc::WhoisAway& e) {
  whois_.was_found = true;
  whois_.is_away = true;
  whois_.away_message = e.message;
}

void TIrcClient::Handle(const irc::WhoisRegistered&) {
  whois_.was_found = true;
  whois_.registered_his_nick = true;
}

void TIrcClient::Handle(const irc::WhoisIdle& e) {
  whois_.was_found = true;
  whois_.idle_time = e.seconds;
}

void TIrcClient::Handle(const irc::WhoisChannels& e) {
  whois_.was_found = true;
  whois_.active_channels = e.channels;
}

void TIrcClient::Handle(const irc::WhoisEnd& e) {
  // Each WHOIS answer starts afresh: values of an earlier one must not pass
  // for this one (a nickname not found would otherwise look found).
  const WhoisValues w = std::exchange(whois_, WhoisValues{});
  if (WhoIsInfo) {
    WhoIsInfo(std::string(kFromServer), e.about_user, w.was_found, w.idle_time, w.active_channels,
              w.registered_his_nick, w.is_away, w.away_message, w.userinfo, w.serverinfo);
  }
}

void TIrcClient::Handle(const irc::ChannelModes& e) {
  if (ChannelModies) {
    ChannelModies(std::string(kFromServer), e.channel, e.only_invite, e.show_on_list, e.no_knocks, e.moderated,
                  e.topic_lock, e.registered, e.only_registered_nicks, e.irc_operators_only, e.password_protected,
                  e.password, e.max_user);
  }
}

void TIrcClient::Handle(const irc::ChannelTopic& e) {
  if (ChannelTopic) ChannelTopic(std::string(kFromServer), e.channel, e.has_topic, e.topic);
}

void TIrcClient::Handle(const irc::MotdFinished&) {
  if (MODTFinished) MODTFinished(std::string(kFromServer));
}

void TIrcClient::Handle(const irc::NamesReply& e) { users_.insert(users_.end(), e.names.begin(), e.names.end()); }

void TIrcClient::Handle(const irc::NamesEnd& e) {
  // Before any names reply the list is simply empty.
  if (UserListReceived) UserListReceived(std::string(kFromServer), e.channel, users_);
}

void TIrcClient::Handle(const irc::HostnameLookupDone&) {
  if (!registered_) Register();
}

}  // namespace lobbyfind::chat
