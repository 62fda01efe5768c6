// What one received IRC line means to the chat component: the closed set of
// outcomes of IrcDecoder. Each is a plain value with full equality so that
// tests compare whole outcomes.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace lobbyfind::chat::irc {

// Anything the table of known commands does not claim: notices, numerics,
// unknown commands. `command` is the line's middle part (command and
// parameters before the trailing one).
struct DataArrived {
  std::string from_user, command, content;
  friend bool operator==(const DataArrived&, const DataArrived&) = default;
};
struct ChannelMessage {
  std::string from_user, channel, content;  // channel without its "#"
  friend bool operator==(const ChannelMessage&, const ChannelMessage&) = default;
};
struct PrivateMessage {
  std::string from_user, content;
  friend bool operator==(const PrivateMessage&, const PrivateMessage&) = default;
};

enum class ModeChange { kOp, kDeOp, kVoice, kDeVoice };
struct UserModeChanged {
  ModeChange change;
  std::string from_user, channel, user_name;
  friend bool operator==(const UserModeChanged&, const UserModeChanged&) = default;
};

struct UserKicked {
  std::string from_user, channel, user_name, why;
  friend bool operator==(const UserKicked&, const UserKicked&) = default;
};
struct UserJoined {
  std::string user_name, channel;
  friend bool operator==(const UserJoined&, const UserJoined&) = default;
};
struct UserLeft {
  std::string user_name, channel;
  friend bool operator==(const UserLeft&, const UserLeft&) = default;
};
struct UserChangedNick {
  std::string old_nick, new_nick;
  friend bool operator==(const UserChangedNick&, const UserChangedNick&) = default;
};
struct UserQuit {
  std::string from_user, why;
  friend bool operator==(const UserQuit&, const UserQuit&) = default;
};
// Numeric 433. `text` is the server's explanation, shown when nobody handles
// the event.
struct NicknameInUse {
  std::string from_user, text;
  friend bool operator==(const NicknameInUse&, const NicknameInUse&) = default;
};

// The pieces of a WHOIS answer, one per reply line; WhoisEnd closes it.
struct WhoisUser {
  std::string userinfo;
  friend bool operator==(const WhoisUser&, const WhoisUser&) = default;
};
struct WhoisServer {
  std::string serverinfo;
  friend bool operator==(const WhoisServer&, const WhoisServer&) = default;
};
struct WhoisAway {
  std::string message;
  friend bool operator==(const WhoisAway&, const WhoisAway&) = default;
};
struct WhoisRegistered {
  friend bool operator==(const WhoisRegistered&, const WhoisRegistered&) = default;
};
struct WhoisIdle {
  std::int32_t seconds = 0;
  friend bool operator==(const WhoisIdle&, const WhoisIdle&) = default;
};
struct WhoisChannels {
  std::string channels;
  friend bool operator==(const WhoisChannels&, const WhoisChannels&) = default;
};
struct WhoisEnd {
  std::string about_user;
  friend bool operator==(const WhoisEnd&, const WhoisEnd&) = default;
};

struct ChannelModes {
  std::string channel;  // keeps its "#"
  bool only_invite = false;
  bool show_on_list = true;
  bool no_knocks = false;
  bool moderated = false;
  bool topic_lock = false;
  bool registered = false;
  bool only_registered_nicks = false;
  bool irc_operators_only = false;
  bool password_protected = false;
  std::string password;
  std::uint32_t max_user = 0;
  friend bool operator==(const ChannelModes&, const ChannelModes&) = default;
};
struct ChannelTopic {
  std::string channel;  // keeps its "#"
  bool has_topic = false;
  std::string topic;
  friend bool operator==(const ChannelTopic&, const ChannelTopic&) = default;
};

struct MotdFinished {
  friend bool operator==(const MotdFinished&, const MotdFinished&) = default;
};
struct NamesReply {
  std::vector<std::string> names;  // without "@" / "+"
  friend bool operator==(const NamesReply&, const NamesReply&) = default;
};
struct NamesEnd {
  std::string channel;  // keeps its "#"
  friend bool operator==(const NamesEnd&, const NamesEnd&) = default;
};

// The server's notice on the outcome of its hostname lookup (found or not):
// the moment to register.
struct HostnameLookupDone {
  friend bool operator==(const HostnameLookupDone&, const HostnameLookupDone&) = default;
};
// A line that means nothing to the component (a combined MODE, for one).
struct Nothing {
  friend bool operator==(const Nothing&, const Nothing&) = default;
};

using Event = std::variant<Nothing, DataArrived, ChannelMessage, PrivateMessage, UserModeChanged, UserKicked,
                           UserJoined, UserLeft, UserChangedNick, UserQuit, NicknameInUse, WhoisUser, WhoisServer,
                           WhoisAway, WhoisRegistered, WhoisIdle, WhoisChannels, WhoisEnd, ChannelModes,
                           ChannelTopic, MotdFinished, NamesReply, NamesEnd, HostnameLookupDone>;

}  // namespace lobbyfind::chat::irc
