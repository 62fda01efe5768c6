// TIrcClient keeps one connection to an IRC server for the chat room: it
// registers the user, answers the server's keep-alive, turns every received
// line into one of eighteen events and sends the few lines the chat room
// needs. It knows nothing of the chat room itself: host, port, channel and
// texts all come from its owner.
//
// Everything runs on the user-interface thread: the connection and the timer
// deliver their notifications there, and every event slot is called from
// within such a notification, one line at a time and in line order. A slot
// may open a modal dialog; lines that arrive meanwhile are decoded at once.
// When a slot calls Disconnect or Connect, the lines still left from that
// read are dropped. An empty slot means the event is not raised.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chat/irc_events.h"
#include "chat/irc_line_buffer.h"
#include "ports/tcp_connection.h"
#include "ports/timer.h"

namespace lobbyfind::chat {

using TNewDataArrived = std::function<void(const std::string& Fromserver, const std::string& FromUser,
                                           const std::string& Command, const std::string& Content)>;
using TNewMessageInChannel = std::function<void(const std::string& Fromserver, const std::string& FromUser,
                                                const std::string& Channel, const std::string& Content)>;
using TNewPrivateMessage =
    std::function<void(const std::string& Fromserver, const std::string& FromUser, const std::string& Content)>;
using TUserGetsOp = std::function<void(const std::string& Fromserver, const std::string& FromUser,
                                       const std::string& Channel, const std::string& UserName)>;
using TUserKicked = std::function<void(const std::string& Fromserver, const std::string& FromUser,
                                       const std::string& Channel, const std::string& UserName, const std::string& Why)>;
using TUserJoined =
    std::function<void(const std::string& Fromserver, const std::string& Username, const std::string& Channel)>;
using TUserChangedNick = std::function<void(const std::string& Fromserver, const std::string& OldUsername,
                                            const std::string& newusername)>;
using TNicknameallreadyused = std::function<void(const std::string& Fromserver, const std::string& FromUser)>;
using TUserQuit =
    std::function<void(const std::string& Fromserver, const std::string& FromUser, const std::string& Why)>;
using TWhoIsInfo = std::function<void(
    const std::string& Fromserver, const std::string& AboutUser, bool WasFound, std::int32_t IdleTime,
    const std::string& ActiveChannels, bool RegisteredHisNick, bool IsAway, const std::string& AwayMessage,
    const std::string& Userinfo, const std::string& Serverinfo)>;
using TChannelTopic = std::function<void(const std::string& Fromserver, const std::string& Channel, bool HasTopic,
                                         const std::string& Topic)>;
using TChannelModies = std::function<void(
    const std::string& Fromserver, const std::string& Channel, bool OnlyInvite, bool ShowOnList, bool NoKnocks,
    bool Moderated, bool TopicLock, bool Registered, bool OnlyRegisteredNicks, bool IRCOperatorsOnly,
    bool Passwordprotected, const std::string& Password, std::uint32_t MaxUser)>;
using TMODTFinished = std::function<void(const std::string& Fromserver)>;
// The names collected so far, by reference: the receiver may empty the list.
using TUserListReceived =
    std::function<void(const std::string& fromserver, const std::string& Channel, std::vector<std::string>& Users)>;

class TIrcClient {
 public:
  // What the events give as Fromserver: never the server's name.
  static constexpr std::string_view kFromServer = "Server";
  static constexpr std::string_view kFromServerOfMessages = "server";
  // Registration starts this long after connecting when the server has sent
  // no notice on its hostname lookup by then.
  static constexpr std::uint32_t kRegistrationFallbackMs = 5000;

  TIrcClient(ports::TcpConnectionFactory connections, ports::TimerFactory timers);
  TIrcClient(const TIrcClient&) = delete;
  TIrcClient& operator=(const TIrcClient&) = delete;
  ~TIrcClient();

  // Opens a new connection without waiting. An earlier connection is closed
  // first: one client holds one connection.
  void Connect(const std::string& Host, int Port);
  // Closes at once; no QUIT line is sent.
  void Disconnect();

  // Lines are sent on the newest connection and dropped while it is not
  // established. CR and LF inside a line are removed, so no argument can
  // smuggle in a second line.
  void SendCommand(std::string_view Line);
  void ChangeNick(std::string_view Nick);                  // "NICK <Nick>"; Nickname stays
  void JoinChannel(std::string_view Channel);              // without "#"
  void SendChannelMessage(std::string_view Channel, std::string_view Text);  // without "#"
  void SendPrivateMessage(std::string_view Nick, std::string_view Text);

  [[nodiscard]] const std::string& Nickname() const { return nickname_; }
  // Stores the name and, once Connect has been called, sends "NICK <name>".
  void SetNickname(std::string_view value);
  [[nodiscard]] const std::string& RealName() const { return real_name_; }
  void SetRealName(std::string_view value) { real_name_ = value; }
  [[nodiscard]] const std::string& ServerHost() const { return server_host_; }

  // Names collected from names replies; the component only appends.
  [[nodiscard]] std::vector<std::string>& Users() { return users_; }

  // The values of the WHOIS answer being collected (see WhoIsInfo).
  [[nodiscard]] bool WasFound() const { return whois_.was_found; }
  [[nodiscard]] std::int32_t IdleTime() const { return whois_.idle_time; }
  [[nodiscard]] const std::string& ActiveChannels() const { return whois_.active_channels; }
  [[nodiscard]] bool RegisteredHisNick() const { return whois_.registered_his_nick; }
  [[nodiscard]] bool IsAway() const { return whois_.is_away; }
  [[nodiscard]] const std::string& AwayMessage() const { return whois_.away_message; }
  [[nodiscard]] const std::string& Userinfo() const { return whois_.userinfo; }
  [[nodiscard]] const std::string& Serverinfo() const { return whois_.serverinfo; }

  // True once NICK and USER went out on the current connection.
  [[nodiscard]] bool Registered() const { return registered_; }

  // The eighteen events, in their published order.
  TNewDataArrived NewDataArrived;
  TNewMessageInChannel NewMessageInChannel;
  TNewPrivateMessage NewPrivateMessage;
  TUserGetsOp UserGetsOp;
  TUserGetsOp UserGetsDeOp;
  TUserGetsOp UserGetsDeV;
  TUserGetsOp UserGetsV;
  TUserKicked UserKicked;
  TUserJoined UserJoined;
  TUserJoined UserLeft;
  TUserChangedNick UserChangedNick;
  TNicknameallreadyused NicknameAllreadyUsed;
  TUserQuit UserQuit;
  TWhoIsInfo WhoIsInfo;
  TChannelTopic ChannelTopic;
  TChannelModies ChannelModies;
  TMODTFinished MODTFinished;
  TUserListReceived UserListReceived;

  // Not IRC events, but what the owner must show the user:
  // a modal message box (the server's text on 433 when NicknameAllreadyUsed
  // is empty) ...
  std::function<void(const std::string& text)> ShowMessage;
  // ... and a connection that failed or broke, with the platform's reason.
  std::function<void(const std::string& reason)> ConnectionError;
  // ... and a connection the server ended (or lost on the way) after it was
  // up: without this the user would chat into the void.
  std::function<void()> ConnectionClosed;

 private:
  struct WhoisValues {
    bool was_found = false;
    std::int32_t idle_time = 0;
    std::string active_channels;
    bool registered_his_nick = false;
    bool is_away = false;
    std::string away_message;
    std::string userinfo;
    std::string serverinfo;
  };

  void SendLine(std::string_view line);
  void Register();
  void Retire(std::unique_ptr<ports::TcpConnection> connection);
  void SocketConnected(const ports::TcpConnection* from);
  void SocketRead(const ports::TcpConnection* from, std::string_view bytes);
  void SocketError(const ports::TcpConnection* from, const std::string& reason);
  void SocketClosed(const ports::TcpConnection* from);
  void ParseLine(std::string_view line);

  void Handle(const irc::Nothing&) {}
  void Handle(const irc::DataArrived& e);
  void Handle(const irc::ChannelMessage& e);
  void Handle(const irc::PrivateMessage& e);
  void Handle(const irc::UserModeChanged& e);
  void Handle(const irc::UserKicked& e);
  void Handle(const irc::UserJoined& e);
  void Handle(const irc::UserLeft& e);
  void Handle(const irc::UserChangedNick& e);
  void Handle(const irc::UserQuit& e);
  void Handle(const irc::NicknameInUse& e);
  void Handle(const irc::WhoisUser& e);
  void Handle(const irc::WhoisServer& e);
  void Handle(const irc::WhoisAway& e);
  void Handle(const irc::WhoisRegistered& e);
  void Handle(const irc::WhoisIdle& e);
  void Handle(const irc::WhoisChannels& e);
  void Handle(const irc::WhoisEnd& e);
  void Handle(const irc::ChannelModes& e);
  void Handle(const irc::ChannelTopic& e);
  void Handle(const irc::MotdFinished& e);
  void Handle(const irc::NamesReply& e);
  void Handle(const irc::NamesEnd& e);
  void Handle(const irc::HostnameLookupDone& e);

  ports::TcpConnectionFactory connection_factory_;
  std::unique_ptr<ports::Timer> registration_timer_;
  std::unique_ptr<ports::TcpConnection> socket_;
  // Closed connections whose notification may still be on the call stack;
  // released once no notification runs.
  std::vector<std::unique_ptr<ports::TcpConnection>> retired_;
  int notification_depth_ = 0;
  // Counts Connect and Disconnect, so that a read can tell when a handler
  // dropped its connection and stop raising events for it.
  std::uint64_t generation_ = 0;

  IrcLineBuffer line_buffer_;
  bool registered_ = false;

  std::string nickname_;
  std::string real_name_;
  std::string server_host_;
  std::vector<std::string> users_;
  WhoisValues whois_;
};

}  // namespace lobbyfind::chat
