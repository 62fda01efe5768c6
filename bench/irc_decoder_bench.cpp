// How fast received IRC traffic is decoded: 1,000,000 mixed lines (channel
// and private messages, joins, parts, nick changes, names replies, pings)
// arrive in reads of random sizes. Figures: lines per second for the
// sans-IO pipeline alone (line buffer + decoder) and for the whole client
// with the chat room's event slots filled, per wall-clock second.
// Target: at least 1,000,000 lines/s.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "chat/irc_client.h"
#include "chat/irc_decoder.h"
#include "chat/irc_line_buffer.h"
#include "support/fake_ports.h"

namespace {

using namespace lobbyfind::chat;

constexpr int kLines = 1'000'000;
constexpr std::size_t kMaxRead = 4096;

struct Traffic {
  std::string bytes;
  std::vector<std::string_view> reads;
};

const Traffic& MixedTraffic() {
  static const Traffic traffic = [] {
    Traffic t;
    std::mt19937 random(2300);
    std::uniform_int_distribution<int> kind(0, 6);
    for (int i = 0; i < kLines; ++i) {
      const std::string n = std::to_string(i % 500);
      switch (kind(random)) {
        case 0: t.bytes += ":player" + n + "!~p@host" + n + ".example PRIVMSG #lobbyfind :anyone up for a game on map " + n + "?\r\n"; break;
        case 1: t.bytes += ":player" + n + "!~p@host.example PRIVMSG me :psst, join my game\r\n"; break;
        case 2: t.bytes += ":player" + n + "!~p@host.example JOIN :#lobbyfind\r\n"; break;
        case 3: t.bytes += ":player" + n + "!~p@host.example PART #lobbyfind :later\r\n"; break;
        case 4: t.bytes += ":player" + n + "!~p@host.example NICK :gamer" + n + "\r\n"; break;
        case 5: t.bytes += ":irc.example 353 me = #lobbyfind :@op +voice player" + n + " other" + n + " x\r\n"; break;
        default: t.bytes += "PING :irc.example\r\n"; break;
      }
    }
    std::uniform_int_distribution<std::size_t> size(1, kMaxRead);
    for (std::size_t at = 0; at < t.bytes.size();) {
      const std::size_t len = std::min(size(random), t.bytes.size() - at);
      t.reads.emplace_back(t.bytes.data() + at, len);
      at += len;
    }
    return t;
  }();
  return traffic;
}

void BM_DecodeMixedLines(benchmark::State& state) {
  const Traffic& traffic = MixedTraffic();
  std::vector<std::string> lines;
  lines.reserve(kMaxRead);
  for (auto _ : state) {
    IrcLineBuffer buffer;
    std::size_t decoded = 0;
    for (const std::string_view read : traffic.reads) {
      lines.clear();
      buffer.Feed(read, lines);
      for (const std::string& line : lines) {
        DecodedLine result = DecodeIrcLine(line);
        benchmark::DoNotOptimize(result);
        ++decoded;
      }
    }
    if (decoded != kLines) state.SkipWithError("lines lost");
  }
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeMixedLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ClientMixedLines(benchmark::State& state) {
  const Traffic& traffic = MixedTraffic();
  lobbyfind::test::FakeNetwork ports;
  TIrcClient client(ports.ConnectionFactory(), ports.TimerFactory());
  std::size_t raised = 0;
  client.NewDataArrived = [&](const auto&, const auto&, const auto&, const auto&) { ++raised; };
  client.NewMessageInChannel = [&](const auto&, const auto&, const auto&, const auto&) { ++raised; };
  client.NewPrivateMessage = [&](const auto&, const auto&, const auto&) { ++raised; };
  client.UserJoined = [&](const auto&, const auto&, const auto&) { ++raised; };
  client.UserLeft = [&](const auto&, const auto&, const auto&) { ++raised; };
  client.UserChangedNick = [&](const auto&, const auto&, const auto&) { ++raised; };
  client.Connect("irc.example", 6667);
  lobbyfind::test::FakeTcpConnection& conn = ports.Last();
  conn.Open();
  for (auto _ : state) {
    for (const std::string_view read : traffic.reads) conn.Deliver(read);
    state.PauseTiming();
    conn.record()->written.clear();  // the PONG answers
    client.Users().clear();
    state.ResumeTiming();
  }
  benchmark::DoNotOptimize(raised);
  state.counters["lines_per_second"] =
      benchmark::Counter(static_cast<double>(kLines) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ClientMixedLines)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
