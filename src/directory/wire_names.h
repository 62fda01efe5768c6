// The names the lobby and its directory service share on the wire: the script
// path, the query keys and request kinds, and the element names of the reply
// documents. Both ends take them from here, so they cannot drift apart.
#pragma once

#include <string_view>

namespace lobbyfind::directory::wire {

inline constexpr std::string_view kScriptPath = "/Vexnet/lobbyfind/webinterface.php";

// Query keys.
inline constexpr std::string_view kGiveMe = "GIVEME";
inline constexpr std::string_view kServerName = "SERVERNAME";
inline constexpr std::string_view kPort = "PORT";
inline constexpr std::string_view kVersion = "VERSION";
inline constexpr std::string_view kMap = "MAP";
inline constexpr std::string_view kMyVersion = "MEINEVERSION";

// Request kinds (values of GIVEME); each also names its reply in "titel".
inline constexpr std::string_view kServers = "SERVERS";
inline constexpr std::string_view kAddServer = "ADDSERVER";
inline constexpr std::string_view kDelServer = "DELSERVER";
inline constexpr std::string_view kVersionRequest = "VERSION";
inline constexpr std::string_view kNews = "NEWS";
// "Check my ports": whether the directory reaches TCP port 2300 of the
// requester. The reply carries "reachable" ("yes", "no", or "unknown" while
// a check of that address runs) and "ip", the address checked.
inline constexpr std::string_view kCheckPorts = "CHECKPORTS";
inline constexpr std::string_view kReachableUnknown = "unknown";

// Reply elements, and the two values of "aktualitaet".
inline constexpr std::string_view kTitle = "titel";
inline constexpr std::string_view kServer = "server";
inline constexpr std::string_view kServerNameElement = "servername";
inline constexpr std::string_view kLastUpdate = "lastupdate";
inline constexpr std::string_view kIp = "ip";
inline constexpr std::string_view kMapElement = "map";
inline constexpr std::string_view kPortElement = "port";
inline constexpr std::string_view kVersionElement = "version";
// Added inside "server" by a directory that checks announced games; lobbies
// that do not know it skip it. Its texts: "yes", "no".
inline constexpr std::string_view kReachable = "reachable";
inline constexpr std::string_view kReachableYes = "yes";
inline constexpr std::string_view kReachableNo = "no";
inline constexpr std::string_view kCurrency = "aktualitaet";
inline constexpr std::string_view kCurrent = "aktuell";
inline constexpr std::string_view kOutdated = "veraltet";
inline constexpr std::string_view kUpdateUrl = "updateurl";
inline constexpr std::string_view kEntry = "eintrag";
inline constexpr std::string_view kChangeText = "inhalt";
inline constexpr std::string_view kTimestamp = "zeitpunkt";
inline constexpr std::string_view kAuthor = "autor";
inline constexpr std::string_view kNewsContent = "content";
inline constexpr std::string_view kNewsTitle = "title";

}  // namespace lobbyfind::directory::wire
