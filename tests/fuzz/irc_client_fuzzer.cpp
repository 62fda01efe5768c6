// The IRC client on what a hostile server may send, in reads of random sizes:
// the line buffer, the decoder and the client's state all run, and the event
// handlers answer with the texts they were given, as the chat room does. No
// line the client sends may hold a CR or LF of its own, and the line buffer
// keeps no more than one line's worth of bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chat/irc_client.h"
#include "chat/irc_line_buffer.h"
#include "fuzz_check.h"
#include "support/fake_ports.h"

namespace {

using lobbyfind::chat::IrcLineBuffer;
using lobbyfind::chat::TIrcClient;
using lobbyfind::test::FakeNetwork;
using lobbyfind::test::FakeTcpConnection;
using S = const std::string&;

// Everything written must be whole lines, each ended by CR LF and holding no
// other CR or LF; the written bytes are used up.
void CheckWritten(FakeTcpConnection& connection) {
  std::string& written = connection.record()->written;
  std::size_t start = 0;
  for (std::size_t end; (end = written.find("\r\n", start)) != std::string::npos; start = end + 2) {
    const std::string_view line = std::string_view(written).substr(start, end - start);
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string_view::npos);
  }
  FUZZ_CHECK(start == written.size());
  written.clear();
}

// Handlers that answer with the received texts, so that any of them reaching
// an outgoing line is checked above.
void AnswerEveryEvent(TIrcClient& client) {
  client.NewDataArrived = [&client](S, S from, S command, S) { client.SendCommand(command + " " + from); };
  client.NewMessageInChannel = [&client](S, S from, S channel, S text) {
    client.SendChannelMessage(channel, from + ": " + text);
  };
  client.NewPrivateMessage = [&client](S, S from, S text) { client.SendPrivateMessage(from, text); };
  client.UserGetsOp = [&client](S, S, S channel, S user) { client.SendChannelMessage(channel, user); };
  client.UserGetsDeOp = client.UserGetsOp;
  client.UserGetsV = client.UserGetsOp;
  client.UserGetsDeV = client.UserGetsOp;
  client.UserKicked = [&client](S, S, S channel, S, S why) {
    client.JoinChannel(channel);
    client.SendChannelMessage(channel, why);
  };
  client.UserJoined = [&client](S, S user, S channel) { client.SendPrivateMessage(user, channel); };
  client.UserLeft = client.UserJoined;
  client.UserChangedNick = [&client](S, S, S nick) { client.SendPrivateMessage(nick, "hi"); };
  client.NicknameAllreadyUsed = [&client](S, S) { client.SetNickname(client.Nickname() + "_"); };
  client.UserQuit = [&client](S, S user, S why) { client.SendPrivateMessage(user, why); };
  client.WhoIsInfo = [&client](S, S about, bool, std::int32_t, S channels, bool, bool, S away, S user, S server) {
    client.SendPrivateMessage(about, channels + away + user + server);
  };
  client.ChannelTopic = [&client](S, S channel, bool, S topic) { client.SendChannelMessage(channel, topic); };
  client.ChannelModies = [&client](S, S channel, bool, bool, bool, bool, bool, bool, bool, bool, bool, S password,
                                   std::uint32_t) { client.SendChannelMessage(channel, password); };
  client.MODTFinished = [&client](S) { client.JoinChannel("lobbyfind"); };
  // The chat room takes the names and empties the list.
  client.UserListReceived = [&client](S, S channel, std::vector<std::string>& users) {
    for (const std::string& user : users) client.SendPrivateMessage(user, channel);
    users.clear();
  };
  client.ShowMessage = [](S) {};
  client.ConnectionError = [](S) {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);

  FakeNetwork ports;
  TIrcClient client(ports.ConnectionFactory(), ports.TimerFactory());
  client.SetNickname("Player\r\nQUIT");
  client.SetRealName("Real\nName");
  AnswerEveryEvent(client);
  client.Connect("127.0.0.1", 6667);
  ports.Last().Open();

  // The same reads through a line buffer of its own, to compare with one read
  // of all the bytes at the end.
  IrcLineBuffer buffer;
  std::vector<std::string> buffered_lines;
  std::string received;

  // Read sizes and the odd action come from the end of the input, the
  // received bytes from its front (how the provider hands them out).
  while (input.remaining_bytes() > 0) {
    switch (input.ConsumeIntegralInRange(0, 15)) {
      case 0:
        ports.LastTimer().Tick();  // the registration fall-back
        break;
      case 1:
        client.SendCommand(input.ConsumeRandomLengthString(64));
        break;
      case 2:
        client.Connect("127.0.0.1", 6667);  // a reconnect between reads
        ports.Last().Open();
        break;
      default: {
        const std::string bytes = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(1, 300));
        ports.Last().Deliver(bytes);
        buffer.Feed(bytes, buffered_lines);
        received += bytes;
        FUZZ_CHECK(buffer.PendingBytes() <= IrcLineBuffer::kMaxLineLength);
      }
    }
    CheckWritten(ports.Last());
    FUZZ_CHECK(client.Nickname().find_first_of("\r\n") == std::string::npos);
  }
  // Without an overlong line, how the bytes were cut into reads changes nothing.
  if (received.size() <= IrcLineBuffer::kMaxLineLength) {
    IrcLineBuffer one_read;
    std::vector<std::string> lines;
    one_read.Feed(received, lines);
    FUZZ_CHECK(lines == buffered_lines);
    FUZZ_CHECK(one_read.PendingBytes() == buffer.PendingBytes());
  }
  return 0;
}
