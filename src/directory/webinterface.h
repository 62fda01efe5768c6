// The program's one client of the web directory service: turns the six kinds
// of request into URLs, sends them one at a time, reads each reply and
// reports through five event slots (an empty slot means the event is not
// raised). User-interface thread only.
//
// Requests go out in the order they were asked for, with two exceptions that
// keep the queue short while the service is slow or drops connections (each
// exchange then ends only at its time-out, and the periodic refresh asks for
// a list on every tick meanwhile):
// - a server-list request is not queued while another one is waiting: the
//   one waiting brings the same, newest list;
// - a request that announces or withdraws the hosted game goes ahead of a
//   waiting server-list request, so it waits for the running exchange only.
//   It is never dropped; only a repeat of the announcement or withdrawal
//   waiting last is not queued twice, as it would change nothing.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "directory/http_exchange.h"
#include "directory/xml_parser.h"
#include "ports/timer.h"

namespace lobbyfind::directory {

// The last server list received: six index-aligned lists, entry i of each
// belonging to server i in the order of the reply. Texts as sent, unchecked.
struct tServerLists {
  std::vector<std::string> ServerNames;
  std::vector<std::string> LastUpdates;
  std::vector<std::string> Ports;
  std::vector<std::string> Maps;
  std::vector<std::string> Versions;
  std::vector<std::string> IPs;
  // Index-aligned too: true where the directory says it could not reach the
  // game ("reachable" is "no"); false where it says "yes" or nothing.
  std::vector<bool> Unreachable;
  bool operator==(const tServerLists&) const = default;
};

// Every byte up to the end or a zero byte: letters, digits, "@" and
// "!$'()*-._" stay, a blank becomes "+", anything else "%" and two upper-case
// hexadecimal digits.
[[nodiscard]] std::string UrlEncode(std::string_view text);

// The queries of the requests that announce and withdraw a hosted game, and
// the URL of any query at the directory service `host` ("name[:port]"). The
// client below sends them; so does the stand-in game host of the demo.
[[nodiscard]] std::string AddServerQuery(const std::string& ServerName, std::int32_t Port, const std::string& Version,
                                         const std::string& Map);
[[nodiscard]] std::string DeleteServerQuery();
[[nodiscard]] std::string RequestUrl(std::string_view host, std::string_view query);

class cWebinterface {
 public:
  // `http` is not owned and must outlive this object. `host` is the directory
  // service's host name or address, optionally followed by ":" and a port.
  cWebinterface(HttpExchange& http, std::string host);
  cWebinterface(const cWebinterface&) = delete;
  cWebinterface& operator=(const cWebinterface&) = delete;
  ~cWebinterface();

  // A reply of this many bytes or more (a list of some hundreds of servers)
  // is parsed in steps of this many elements, one per turn of the event
  // loop, its servers read out this many per turn after that, and reported
  // on the turn after the last; a shorter one at once.
  static constexpr std::size_t kLongReplyBytes = std::size_t{64} << 10;
  static constexpr std::size_t kElementsPerStep = 8000;
  static constexpr std::size_t kServersPerStep = 2500;
  // Paces the steps of a long reply (interval 0: the next turn of the event
  // loop); without it every reply is read at once.
  void SetStepTimer(std::unique_ptr<ports::Timer> steps);

  void RequestServerList();
  void AddServer(const std::string& ServerName, std::int32_t Port, const std::string& Version,
                 const std::string& Map);
  void DeleteServer();
  void CheckVersion(std::int32_t MyVersion);
  void RequestNews();
  // Asks whether the directory reaches TCP port 2300 of this computer.
  void CheckPorts();

  // True from the start of an exchange until it has ended (closed or failed).
  [[nodiscard]] bool Busy() const { return busy_; }
  // URLs waiting to be sent, oldest first.
  [[nodiscard]] const std::deque<std::string>& Queue() const { return queue_; }
  [[nodiscard]] const tServerLists& ServerLists() const { return server_lists_; }
  [[nodiscard]] const cXMLparser& Parser() const { return parser_; }

  std::function<void()> OnConnectFailed;
  std::function<void(const tServerLists& lists)> OnServerList;
  // While a long server list is parsed: the addresses of the servers parsed
  // whole since the last step, in list order, `first` being the index of
  // ips[0] (0 for a reply's first part). They only let the requests start
  // early: OnServerList follows with the whole list, read from the whole
  // parse, which in a broken reply may differ.
  std::function<void(std::size_t first, std::span<const std::string> ips)> OnServersAhead;
  std::function<void(bool UpdateAvailable, const std::string& text)> OnVersionResult;
  std::function<void(const std::string& title, const std::string& content, const std::string& author,
                     const std::string& time)>
      OnNewsItem;
  enum class PortCheck { kReachable, kUnreachable, kUnknown };
  // `ip`: the address the directory checked (this computer's as it sees it).
  std::function<void(PortCheck result, const std::string& ip)> OnPortCheck;

 private:
  enum class RequestKind { kServerList, kListing, kOther };
  void QueueRequest(const std::string& query, RequestKind kind = RequestKind::kOther);
  [[nodiscard]] bool IsListing(const std::string& url) const;
  void SendNextRequest();
  void ReplyReceived();
  // One step of a long reply: a part parsed, or, once all is, the reply read.
  void ReadStep();
  // The addresses of the servers parsed whole since the last call, to OnServersAhead.
  void ReportServersAhead();
  void ReadReply();
  void RequestDone();
  void RequestFailed();
  void VersionReply();
  void ServerListReply();
  // The server list's readout: emptied and sized, then servers [begin, end).
  void StartServerLists();
  void ReadServers(std::size_t begin, std::size_t end);
  void NewsReply();
  void PortCheckReply();

  cXMLparser parser_;
  HttpExchange& http_;
  std::string host_;
  // The URLs whose place in the queue is special (see above).
  std::string server_list_url_;
  std::string add_server_prefix_;
  std::string delete_server_url_;
  std::deque<std::string> queue_;
  bool busy_ = false;
  tServerLists server_lists_;
  std::unique_ptr<ports::Timer> steps_;
  // A long reply is being parsed (`parsed_` once all of it is); the end of
  // its exchange waits until it is read, so the next reply cannot come first.
  bool reading_ = false;
  bool parsed_ = false;
  // For a long server list: how many servers there are and are read out.
  std::optional<std::size_t> servers_;
  std::size_t servers_read_ = 0;
  // How many servers' addresses went to OnServersAhead.
  std::size_t servers_ahead_ = 0;
  bool done_waiting_ = false;
  bool failed_waiting_ = false;
};

}  // namespace lobbyfind::directory
