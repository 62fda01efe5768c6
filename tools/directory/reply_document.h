// Builds the reply documents in the tag syntax the lobby reads: elements
// "<name>text</name>", nested elements for records, no root element, no
// escaping. Texts must already be free of "<" and ">" (see SanitiseText).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reachability.h"
#include "server_entry.h"
#include "service_config.h"

namespace lobbyfind::directory_service {

// With `reachability`, each server whose check has a result carries it in
// an element of its own after the six the lobby reads.
using ReachabilityLookup = std::function<Reachability(const ServerEntry&)>;
[[nodiscard]] std::string ServersDocument(const std::vector<ServerEntry>& entries,
                                          const ReachabilityLookup& reachability = {});
// Changes are listed in the given order.
[[nodiscard]] std::string VersionDocument(bool current, std::string_view update_url,
                                          const std::vector<ChangeEntry>& changes);
[[nodiscard]] std::string NewsDocument(const std::vector<NewsEntry>& news);
// The answer to ADDSERVER and DELSERVER: the lobby ignores it, a person
// trying the service by hand sees what happened.
[[nodiscard]] std::string AcknowledgementDocument(std::string_view title);
// The answer to CHECKPORTS: the address checked and what was found.
[[nodiscard]] std::string PortCheckDocument(std::string_view ip, Reachability result);

// "YYYY-MM-DD HH:MM:SS" in UTC, the text of "lastupdate".
[[nodiscard]] std::string UtcTimestamp(std::int64_t unix_ms);

}  // namespace lobbyfind::directory_service
