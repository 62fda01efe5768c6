// Fills every slot of a TIrcClient with a recorder that writes the event as
// one text, "Name(arg|arg|...)", so that tests compare whole event lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chat/irc_client.h"

namespace lobbyfind::chat::testing {

inline std::string JoinTexts(const std::vector<std::string>& parts, char sep) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) out += sep;
    out += parts[i];
  }
  return out;
}

inline void RecordAllEvents(TIrcClient& client, std::vector<std::string>& events) {
  auto rec = [&events](const std::string& name, const std::vector<std::string>& args) {
    events.push_back(name + "(" + JoinTexts(args, '|') + ")");
  };
  auto b = [](bool v) { return std::string(v ? "1" : "0"); };
  using S = const std::string&;
  client.NewDataArrived = [=](S a, S f, S c, S d) { rec("NewDataArrived", {a, f, c, d}); };
  client.NewMessageInChannel = [=](S a, S f, S c, S d) { rec("NewMessageInChannel", {a, f, c, d}); };
  client.NewPrivateMessage = [=](S a, S f, S c) { rec("NewPrivateMessage", {a, f, c}); };
  client.UserGetsOp = [=](S a, S f, S c, S d) { rec("UserGetsOp", {a, f, c, d}); };
  client.UserGetsDeOp = [=](S a, S f, S c, S d) { rec("UserGetsDeOp", {a, f, c, d}); };
  client.UserGetsDeV = [=](S a, S f, S c, S d) { rec("UserGetsDeV", {a, f, c, d}); };
  client.UserGetsV = [=](S a, S f, S c, S d) { rec("UserGetsV", {a, f, c, d}); };
  client.UserKicked = [=](S a, S f, S c, S d, S e) { rec("UserKicked", {a, f, c, d, e}); };
  client.UserJoined = [=](S a, S f, S c) { rec("UserJoined", {a, f, c}); };
  client.UserLeft = [=](S a, S f, S c) { rec("UserLeft", {a, f, c}); };
  client.UserChangedNick = [=](S a, S f, S c) { rec("UserChangedNick", {a, f, c}); };
  client.NicknameAllreadyUsed = [=](S a, S f) { rec("NicknameAllreadyUsed", {a, f}); };
  client.UserQuit = [=](S a, S f, S c) { rec("UserQuit", {a, f, c}); };
  client.WhoIsInfo = [=](S a, S f, bool found, std::int32_t idle, S chans, bool reg, bool away, S msg, S user,
                         S server) {
    rec("WhoIsInfo", {a, f, b(found), std::to_string(idle), chans, b(reg), b(away), msg, user, server});
  };
  client.ChannelTopic = [=](S a, S f, bool has, S topic) { rec("ChannelTopic", {a, f, b(has), topic}); };
  client.ChannelModies = [=](S a, S f, bool f1, bool f2, bool f3, bool f4, bool f5, bool f6, bool f7, bool f8,
                             bool f9, S password, std::uint32_t max) {
    rec("ChannelModies", {a, f, b(f1) + b(f2) + b(f3) + b(f4) + b(f5) + b(f6) + b(f7) + b(f8) + b(f9), password,
                          std::to_string(max)});
  };
  client.MODTFinished = [=](S a) { rec("MODTFinished", {a}); };
  client.UserListReceived = [=](S a, S f, std::vector<std::string>& users) {
    rec("UserListReceived", {a, f, JoinTexts(users, ',')});
  };
  client.ShowMessage = [=](S text) { rec("ShowMessage", {text}); };
  client.ConnectionError = [=](S reason) { rec("ConnectionError", {reason}); };
  client.ConnectionClosed = [=] { rec("ConnectionClosed", {}); };
}

}  // namespace lobbyfind::chat::testing
