// Parsing and reading out SERVERS replies of 100, 1,000 and 10,000 servers,
// with the project's indexed parser and with the plain scanning reading of
// the path rules. After the runs a table gives both times, the ratio, and the
// growth of the indexed parser from one size to the next (10 times the
// servers should cost at most 12 times the time).
//
// The plain reading costs about n^3 string comparisons; at 10,000 servers
// that is hours, so it runs there only with --literal_10000 (one iteration);
// otherwise its time is extrapolated from 1,000 servers and marked "est".
//
// Then broken and hostile replies of the largest body the HTTP layer accepts
// (deep nesting, repeated tags), with the project's parser only; a second
// table gives the time of each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "directory/http_exchange.h"
#include "directory/xml_parser.h"
#include "support/directory_replies.h"
#include "support/literal_xml_parser.h"

namespace {

using lobbyfind::directory::cXMLparser;
using lobbyfind::directory::InstancePath;
using lobbyfind::testing::LiteralXmlParser;
using lobbyfind::testing::ServersReply;

const char* const kFields[] = {".servername", ".lastupdate", ".ip", ".map", ".port", ".version"};

// What the directory client does with a reply: parse, count, read six fields per server.
template <typename Parser>
std::size_t ParseAndReadOut(Parser& parser, const std::string& reply) {
  parser.Parse(reply);
  std::size_t bytes = parser.Value(".titel").size();
  const int servers = parser.Count(".server");
  for (int i = 0; i < servers; ++i) {
    const std::string server = InstancePath(".server", static_cast<std::size_t>(i));
    for (const char* field : kFields) bytes += parser.Value(server + field).size();
  }
  return bytes + static_cast<std::size_t>(servers);
}

template <typename Parser>
void BM_ServersReply(benchmark::State& state) {
  const std::string reply = ServersReply(static_cast<int>(state.range(0)));
  Parser parser;
  for (auto _ : state) benchmark::DoNotOptimize(ParseAndReadOut(parser, reply));
  state.counters["servers"] = static_cast<double>(state.range(0));
}

// Three repetitions each, in random order among the others' (see main):
// the growth is taken between the fastest of each size, as a slower spell
// of a shared host only ever adds to a run.
BENCHMARK(BM_ServersReply<cXMLparser>)
    ->Name("Indexed")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Repetitions(3)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ServersReply<LiteralXmlParser>)->Name("Literal")->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// Broken or hostile replies of the largest body the HTTP layer accepts: the
// parser's limits must keep each well under a second.
const std::size_t kBody = lobbyfind::directory::HttpExchange::Limits{}.max_body;

void BM_HostileReply(benchmark::State& state, std::string (*make)()) {
  const std::string reply = make();
  cXMLparser parser;
  for (auto _ : state) {
    parser.Parse(reply);
    benchmark::DoNotOptimize(parser.Paths().size());
  }
}

using lobbyfind::testing::NestedDistinctNames;
using lobbyfind::testing::NestedElements;
using lobbyfind::testing::Repeated;
BENCHMARK_CAPTURE(BM_HostileReply, same_name_open, [] { return Repeated("<a>", kBody); })->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileReply, same_name_closed, [] { return lobbyfind::testing::NestedSameNameClosed(kBody); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileReply, distinct_names_open, [] { return NestedDistinctNames(kBody, false); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileReply, distinct_names_closed, [] { return NestedDistinctNames(kBody, true); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileReply, closing_tags_only, [] { return Repeated("</a>", kBody); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileReply, nested_around_lt_sea, [] { return NestedElements(64, Repeated("<", kBody)); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostileReply, leaves_under_long_path, [] {
  const std::string parent(lobbyfind::directory::ParseLimits{}.max_path_length - 3, 'p');
  return "<" + parent + ">" + Repeated("<b></b>", kBody) + "</" + parent + ">";
})->Unit(benchmark::kMillisecond);

// Keeps the mean CPU time per iteration of every run, by name (CPU rather
// than wall time: build machines are often shared and busy); of repeated
// runs, the fastest.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        const double per_iteration = run.cpu_accumulated_time / static_cast<double>(run.iterations);
        benchmark::BenchmarkName name = run.run_name;
        name.repetitions.clear();
        const auto [kept, first] = seconds.try_emplace(name.str(), per_iteration);
        if (!first) kept->second = std::min(kept->second, per_iteration);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
  bool literal_10000 = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--literal_10000") == 0) {
      literal_10000 = true;
    } else {
      args.push_back(argv[i]);
    }
  }
  if (literal_10000) {
    benchmark::RegisterBenchmark("Literal/10000", BM_ServersReply<LiteralXmlParser>)
        ->Arg(10000)
        ->Iterations(1)
        ->Unit(benchmark::kMicrosecond);
  }
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  auto& s = reporter.seconds;
  bool hostile_title = false;
  for (const auto& [name, seconds] : s) {
    if (!name.starts_with("BM_HostileReply/")) continue;
    if (!hostile_title) std::printf("\n%-28s %12s\n", "4 MiB hostile reply", "CPU ms");
    hostile_title = true;
    std::printf("%-28s %12.1f\n", name.substr(16).c_str(), seconds * 1e3);
  }
  if (!s.contains("Indexed/100") || !s.contains("Indexed/1000") || !s.contains("Indexed/10000")) return 0;
  std::printf("\n%8s %14s %16s %10s %14s\n", "servers", "indexed CPU ms", "literal CPU ms", "ratio", "indexed growth");
  const int sizes[] = {100, 1000, 10000};
  for (std::size_t i = 0; i < 3; ++i) {
    const std::string n = std::to_string(sizes[i]);
    const double indexed = s["Indexed/" + n];
    double literal = s.contains("Literal/" + n) ? s["Literal/" + n] : 0.0;
    bool estimated = false;
    if (literal == 0.0 && s.contains("Literal/1000")) {
      // Cubic growth of the plain reading, measured between 100 and 1,000 servers.
      const double exponent = std::log10(s["Literal/1000"] / s["Literal/100"]);
      literal = s["Literal/1000"] * std::pow(10.0, exponent);
      estimated = true;
    }
    const std::string growth =
        i == 0 ? std::string("-") : std::to_string(indexed / s["Indexed/" + std::to_string(sizes[i - 1])]) + "x";
    std::printf("%8d %14.3f %13.1f%s %9.0fx %14s\n", sizes[i], indexed * 1e3, literal * 1e3, estimated ? " est" : "    ",
                literal / indexed, growth.c_str());
  }
  std::printf("\n");
  const double growth = s["Indexed/10000"] / s["Indexed/1000"];
  return lobbyfind::bench::Checked("indexed parser, growth 1,000 -> 10,000 servers", growth, "x", "<= 12 (linear: 10)",
                                   growth <= 12.0)
             ? 0
             : 1;
}
