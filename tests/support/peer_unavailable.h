// What a test does when a peer it needs (a server, a free port, Wine, an X
// display) cannot be had. On a developer's machine it skips with the reason;
// in CI (CI=true) or with LOBBYFIND_NO_SKIP=1 it fails with the reason, so a
// green run never hides a test that tested nothing.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace lobbyfind::testing {

inline bool SkipsAreFailures() {
  for (const char* name : {"CI", "LOBBYFIND_NO_SKIP"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && std::string_view(value) != "" && std::string_view(value) != "0" &&
        std::string_view(value) != "false") {
      return true;
    }
  }
  return false;
}

inline ::testing::TestPartResult::Type PeerUnavailableResult() {
  return SkipsAreFailures() ? ::testing::TestPartResult::kFatalFailure : ::testing::TestPartResult::kSkip;
}

}  // namespace lobbyfind::testing

// Used like a skip, with the reason streamed in:
//   if (!irc.Start()) PEER_UNAVAILABLE() << irc.Error();
#define PEER_UNAVAILABLE() \
  return GTEST_MESSAGE_("peer unavailable: ", ::lobbyfind::testing::PeerUnavailableResult())
