#include "chat/irc_decoder.h"

#include <array>
#include <charconv>
#include <cstdint>

namespace lobbyfind::chat {

namespace {

using std::string_view;

constexpr std::size_t kMaxPingTokenLength = 255;
constexpr std::int32_t kIdleTimeNotANumber = 32000;

// Notices a server sends once its lookup of the client's hostname is over;
// the first one found decides. Servers without reverse DNS for the client
// report a failed lookup, which must start registration all the same.
constexpr std::array<string_view, 6> kLookupDoneNotices = {
    "*** Found your hostname",
    "*** Couldn't look up your hostname",
    "*** Could not look up your hostname",
    "*** Couldn't resolve your hostname",
    "*** Could not resolve your hostname",
    "*** Unable to resolve your hostname",
};

// --- Text steps: fixed cuts at spaces, never failing on short input. ---

string_view FirstWord(string_view s) {
  const std::size_t space = s.find(' ');
  return space == string_view::npos ? string_view{} : s.substr(0, space);
}

// The first word, or all of it when it holds no space.
string_view FirstWordOrAll(string_view s) {
  const std::size_t space = s.find(' ');
  return space == string_view::npos ? s : s.substr(0, space);
}

void Remove(string_view& s, std::size_t count) { s.remove_prefix(std::min(count, s.size())); }

void DropWord(string_view& s) {
  const std::size_t space = s.find(' ');
  if (space != string_view::npos) s.remove_prefix(space + 1);
}

// Yields the first word and removes its length plus one: a text without a
// space yields "" and loses its first character.
string_view TakeWord(string_view& s) {
  const string_view word = FirstWord(s);
  Remove(s, word.size() + 1);
  return word;
}

string_view CutAtBang(string_view word) { return word.substr(0, word.find('!')); }

// A signed 32-bit decimal number filling all of `text`.
std::optional<std::int32_t> ReadInt(string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool Contains(string_view s, char c) { return s.find(c) != string_view::npos; }

std::string Str(string_view s) { return std::string(s); }

struct Parts {
  string_view from_user;
  string_view middle;
  string_view trailing;
};

bool IsLookupDoneNotice(string_view trailing) {
  for (const string_view notice : kLookupDoneNotices) {
    if (trailing.starts_with(notice)) return true;
  }
  return false;
}

irc::Event Mode(const Parts& p) {
  string_view rest = p.middle;
  Remove(rest, 6);  // "MODE", its space and the channel's "#"
  const string_view channel = TakeWord(rest);
  const string_view mode = TakeWord(rest);
  irc::ModeChange change;
  if (mode == "+o") {
    change = irc::ModeChange::kOp;
  } else if (mode == "-o") {
    change = irc::ModeChange::kDeOp;
  } else if (mode == "+v") {
    change = irc::ModeChange::kVoice;
  } else if (mode == "-v") {
    change = irc::ModeChange::kDeVoice;
  } else {
    return irc::Nothing{};
  }
  return irc::UserModeChanged{change, Str(p.from_user), Str(channel), Str(rest)};
}

irc::Event PrivMsg(const Parts& p) {
  string_view target = p.middle;
  Remove(target, 8);
  if (target.starts_with('#')) {
    target.remove_prefix(1);
    return irc::ChannelMessage{Str(p.from_user), Str(target), Str(p.trailing)};
  }
  return irc::PrivateMessage{Str(p.from_user), Str(p.trailing)};
}

irc::Event ChannelModesReply(const Parts& p) {
  string_view rest = p.middle;
  Remove(rest, 4);
  DropWord(rest);
  const string_view channel = TakeWord(rest);
  return DecodeChannelModes(Str(channel), rest);
}

// What follows "<numeric> <own nick> " (and one more word when `words` is 2).
string_view AfterWords(string_view middle, int words) {
  Remove(middle, 4);
  for (int i = 0; i < words; ++i) DropWord(middle);
  return middle;
}

irc::Event Idle(const Parts& p) {
  const string_view rest = AfterWords(p.middle, 2);
  const auto seconds = ReadInt(FirstWordOrAll(rest));
  return irc::WhoisIdle{seconds.value_or(kIdleTimeNotANumber)};
}

irc::Event Names(const Parts& p) {
  irc::NamesReply reply;
  string_view rest = p.trailing;
  while (!rest.empty()) {
    const std::size_t space = rest.find(' ');
    string_view name = rest.substr(0, space);
    rest.remove_prefix(space == string_view::npos ? rest.size() : space + 1);
    if (name.empty()) continue;
    if (name.front() == '@' || name.front() == '+') name.remove_prefix(1);
    reply.names.emplace_back(name);
  }
  return reply;
}

irc::Event Kick(const Parts& p) {
  string_view rest = p.middle;
  Remove(rest, 6);  // "KICK", its space and the channel's "#"
  const string_view channel = TakeWord(rest);
  return irc::UserKicked{Str(p.from_user), Str(channel), Str(rest), Str(p.trailing)};
}

irc::Event Other(const Parts& p) {
  if (IsLookupDoneNotice(p.trailing)) return irc::HostnameLookupDone{};
  return irc::DataArrived{Str(p.from_user), Str(p.middle), Str(p.trailing)};
}

irc::Event Dispatch(const Parts& p) {
  const string_view m = p.middle;
  // Tested in this order; the first prefix that matches decides.
  if (m.starts_with("PRIVMSG")) return PrivMsg(p);
  if (m.starts_with("MODE")) return Mode(p);
  if (m.starts_with("311 ")) return irc::WhoisUser{Str(AfterWords(m, 2))};
  if (m.starts_with("324 ")) return ChannelModesReply(p);
  if (m.starts_with("332 ")) return irc::ChannelTopic{Str(AfterWords(m, 2)), true, Str(p.trailing)};
  if (m.starts_with("331 ")) return irc::ChannelTopic{Str(AfterWords(m, 1)), false, ""};
  if (m.starts_with("312 ")) return irc::WhoisServer{Str(AfterWords(m, 2))};
  if (m.starts_with("301 ")) return irc::WhoisAway{Str(p.trailing)};
  if (m.starts_with("307 ")) return irc::WhoisRegistered{};
  if (m.starts_with("317 ")) return Idle(p);
  if (m.starts_with("319 ")) return irc::WhoisChannels{Str(p.trailing)};
  if (m.starts_with("318 ")) return irc::WhoisEnd{Str(AfterWords(m, 1))};
  if (m.starts_with("376 ")) return irc::MotdFinished{};
  if (m.starts_with("JOIN")) return irc::UserJoined{Str(p.from_user), Str(p.trailing.substr(p.trailing.empty() ? 0 : 1))};
  if (m.starts_with("NICK")) return irc::UserChangedNick{Str(p.from_user), Str(p.trailing)};
  if (m.starts_with("QUIT")) return irc::UserQuit{Str(p.from_user), Str(p.trailing)};
  if (m.starts_with("PART")) {
    string_view channel = m;
    Remove(channel, 6);  // "PART", its space and the channel's "#"
    return irc::UserLeft{Str(p.from_user), Str(channel)};
  }
  if (m.starts_with("433")) return irc::NicknameInUse{Str(p.from_user), Str(p.trailing)};
  if (m.starts_with("353 ")) return Names(p);
  if (m.starts_with("366 ")) return irc::NamesEnd{Str(AfterWords(m, 1))};
  if (m.starts_with("KICK")) return Kick(p);
  return Other(p);
}

}  // namespace

irc::ChannelModes DecodeChannelModes(std::string channel, std::string_view rest) {
  string_view modes;
  if (Contains(rest, ' ')) {
    modes = TakeWord(rest);
  } else {
    modes = rest;
    rest = {};
  }
  irc::ChannelModes result;
  result.channel = std::move(channel);
  result.only_invite = Contains(modes, 'p') || Contains(modes, 'i');
  result.show_on_list = !(Contains(modes, 'p') || Contains(modes, 's'));
  result.no_knocks = Contains(modes, 'K');
  result.moderated = Contains(modes, 'm');
  result.topic_lock = Contains(modes, 't');
  result.registered = Contains(modes, 'r');
  result.only_registered_nicks = Contains(modes, 'R');
  result.irc_operators_only = Contains(modes, 'O');
  result.password_protected = Contains(modes, 'k');
  // The limit is read before the key, whatever their order in the mode text.
  if (Contains(modes, 'l') && !rest.empty()) {
    const bool has_space = Contains(rest, ' ');
    if (const auto limit = ReadInt(FirstWordOrAll(rest))) {
      result.max_user = static_cast<std::uint32_t>(*limit);
      if (has_space) {
        Remove(rest, std::to_string(*limit).size() + 1);
      } else {
        rest = {};
      }
    }
  }
  if (result.password_protected && !rest.empty()) result.password = Str(FirstWordOrAll(rest));
  return result;
}

DecodedLine DecodeIrcLine(string_view line) {
  Parts p;
  p.from_user = CutAtBang(FirstWord(line));
  if (line.starts_with(':')) {
    line.remove_prefix(1);
    p.from_user = CutAtBang(FirstWord(line));
    DropWord(line);
  }
  const string_view rest = line;

  DecodedLine decoded;
  if (rest.find("PING") != string_view::npos) {
    const std::size_t colon = rest.find(':');
    const string_view token = colon == string_view::npos ? rest : rest.substr(colon + 1);
    decoded.reply = "PONG " + Str(token.substr(0, kMaxPingTokenLength));
  }

  const std::size_t split = rest.find(" :");
  if (split == string_view::npos) {
    p.middle = rest;
    p.trailing = rest;
  } else {
    p.middle = rest.substr(0, split);
    p.trailing = rest.substr(split + 2);
  }
  decoded.event = Dispatch(p);
  return decoded;
}

}  // namespace lobbyfind::chat
