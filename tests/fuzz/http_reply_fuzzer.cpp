// The HTTP reply reader fed in arrivals of random sizes: however the bytes are
// cut, the status, header and body must be those of the reply read in one
// piece, and the body never grows past its limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "directory/http_request.h"
#include "fuzz_check.h"

namespace {

using lobbyfind::directory::HttpReplyReader;

struct Outcome {
  bool within_limit = true;
  bool received = false;
  std::int16_t status = 0;
  std::string header;
  std::string body;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(std::size_t max_body, const std::string& reply, const std::vector<std::size_t>& cuts) {
  HttpReplyReader reader(max_body);
  Outcome outcome;
  std::size_t pos = 0;
  for (std::size_t cut : cuts) {
    // The exchange stops reading at the first refusal; so does this.
    if (!reader.Feed(std::string_view(reply).substr(pos, cut))) {
      outcome.within_limit = false;
      break;
    }
    pos += cut;
  }
  FUZZ_CHECK(reader.Body().size() <= max_body);
  outcome.received = reader.ReceivedAnything();
  outcome.status = reader.StatusCode();
  outcome.header = reader.Header();
  outcome.body = reader.Body();
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Small limits reach the refusal paths; the real limit is far above any input.
  const std::size_t max_body = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::size_t>(0, 512)
                                                   : std::size_t{4} * 1024 * 1024;
  std::vector<std::size_t> cut_sizes;
  for (int i = input.ConsumeIntegralInRange(0, 16); i > 0; --i) {
    cut_sizes.push_back(input.ConsumeIntegralInRange<std::size_t>(1, 64));
  }
  const std::string reply = input.ConsumeRemainingBytesAsString();

  // Cut the reply into arrivals, cycling through the sizes drawn above.
  std::vector<std::size_t> cuts;
  for (std::size_t pos = 0, i = 0; pos < reply.size(); ++i) {
    const std::size_t cut = cut_sizes.empty() ? reply.size() : cut_sizes[i % cut_sizes.size()];
    cuts.push_back(cut);
    pos += cut;
  }
  const Outcome in_pieces = Read(max_body, reply, cuts);
  const Outcome whole = Read(max_body, reply, {reply.size()});
  FUZZ_CHECK(in_pieces.within_limit == whole.within_limit);
  if (whole.within_limit) FUZZ_CHECK(in_pieces == whole);
  return 0;
}
