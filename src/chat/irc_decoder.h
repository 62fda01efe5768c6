// Decodes one received IRC line (without its line end) into what it means to
// the chat component, plus the keep-alive answer it calls for. Stateless and
// lenient: every input, however malformed, decodes to some outcome.
//
// The decoding keeps the habits of the IRC servers this lobby was made for:
// commands are recognised by how the line's middle part begins, and the
// parameters are cut by fixed character counts. Its users rely on exactly
// these results (for instance "Server" messages carry no server name), so the
// cuts below are deliberate, not sloppy parsing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "chat/irc_events.h"

namespace lobbyfind::chat {

struct DecodedLine {
  // "PONG <token>" when the line holds "PING" anywhere; sent before the event
  // is raised.
  std::optional<std::string> reply;
  irc::Event event;
};

[[nodiscard]] DecodedLine DecodeIrcLine(std::string_view line);

// The channel-mode part of numeric 324, after the channel: "+tnl 20" and the
// like. Exposed for its own tests.
[[nodiscard]] irc::ChannelModes DecodeChannelModes(std::string channel, std::string_view modes_and_params);

}  // namespace lobbyfind::chat
