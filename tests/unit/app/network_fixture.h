// FormFixture plus what the game list and the directory handlers touch:
// readers for the requests handed to the directory client.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "form_fixture.h"

namespace lobbyfind::test {

class NetworkFixture : public FormFixture {
 protected:
  // Every request handed to the directory client so far, oldest first, as
  // its query ("GIVEME=..."): the ones sent and the ones still queued. An
  // exchange the test has not answered stays running, so the requests after
  // it wait in the queue. Connections to other ports (the chat) are skipped.
  std::vector<std::string> Requests() {
    std::vector<std::string> queries;
    for (std::size_t i = 0; i < net_.connections.size(); ++i) {
      const ConnectionRecord& record = *net_.records[i];
      if (record.port != kDirectoryPort) continue;
      if (!record.destroyed && !record.closed_by_owner && !net_.connections[i]->connected) {
        net_.connections[i]->Open();
      }
      queries.push_back(SentQuery(record));
    }
    for (const auto& url : form_->Webinterface().Queue()) queries.push_back(url.substr(url.find('?') + 1));
    return queries;
  }
  // The query of the request written on a directory connection.
  static std::string SentQuery(const ConnectionRecord& record) {
    const std::string& sent = record.written;
    const auto start = sent.find('?') + 1;
    return sent.substr(start, sent.find(" HTTP/1.0") - start);
  }

  // The running exchange gets a 200 reply with `body`; the next queued
  // request then starts.
  void Reply(const std::string& body) {
    auto& connection = net_.Last();
    if (!connection.connected) connection.Open();
    connection.Deliver("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body);
    connection.PeerCloses();
  }
  // The running exchange's connection is refused.
  void Refuse() { net_.Last().Fail("Connection refused"); }

  // The game list as the directory would deliver it: one <server> per entry.
  struct Server {
    std::string name;
    std::string map;
    std::string ip;
  };
  static std::string ServersReply(const std::vector<Server>& servers) {
    std::string body = "<titel>SERVERS</titel>\r\n";
    for (const auto& s : servers) {
      body += "<server><servername>" + s.name + "</servername><lastupdate>12:00</lastupdate><ip>" + s.ip +
              "</ip><map>" + s.map + "</map><port>2300</port><version>4</version></server>\r\n";
    }
    return body;
  }

  // The chat-log lines written since the welcome text.
  [[nodiscard]] std::vector<std::string> NewChatLines() const {
    std::vector<std::string> lines;
    for (std::size_t i = kWelcomeLines; i < view_.chat_log.size(); ++i) lines.push_back(view_.chat_log[i].text);
    return lines;
  }

  static constexpr std::size_t kWelcomeLines = 9;
};

}  // namespace lobbyfind::test
