// Directory replies for the reply parser's tests and benchmark: a real
// SERVERS reply of any size, and broken or hostile documents of a given size
// that nest deeply or repeat tags (what a faulty or malicious directory could
// send within the HTTP layer's body limit).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lobbyfind::testing {

// A SERVERS reply listing one server per address, named "Player <i>".
inline std::string ServersReplyFor(const std::vector<std::string>& ips) {
  std::string reply = "<titel>SERVERS</titel>\r\n";
  for (std::size_t i = 0; i < ips.size(); ++i) {
    const std::string n = std::to_string(i);
    reply += "<server><servername>Player " + n + "</servername><lastupdate>12:" + std::to_string(i % 60) +
             "</lastupdate><ip>" + ips[i] + "</ip><map>Downtown</map><port>2300</port><version>4</version></server>\r\n";
  }
  return reply;
}

// `servers` servers at distinct addresses 10.a.b.1.
inline std::string ServersReply(int servers) {
  std::vector<std::string> ips;
  for (int i = 0; i < servers; ++i) {
    ips.push_back("10." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256) + ".1");
  }
  return ServersReplyFor(ips);
}

// `unit` repeated up to at least `size` bytes.
inline std::string Repeated(const std::string& unit, std::size_t size) {
  std::string out;
  out.reserve(size + unit.size());
  while (out.size() < size) out += unit;
  return out;
}

// Elements e1 ... e<levels>, each inside the one before, around `inner`.
inline std::string NestedElements(std::size_t levels, const std::string& inner) {
  std::string open;
  std::string close;
  for (std::size_t i = 1; i <= levels; ++i) {
    const std::string name = "e" + std::to_string(i);
    open += "<" + name + ">";
    close.insert(0, "</" + name + ">");
  }
  return open + inner + close;
}

// "<a>" nested about size / 7 deep around "x", closed as often, then a leaf.
inline std::string NestedSameNameClosed(std::size_t size) {
  const std::size_t levels = size / 7;
  return Repeated("<a>", levels * 3) + "x" + Repeated("</a>", levels * 4) + "<titel>T</titel>";
}

// Elements "n0", "n1", ... nested inside each other up to about `size`
// bytes; when `closed`, closed in order and followed by a leaf "titel". The
// outermost holds a leaf "v" before its child.
inline std::string NestedDistinctNames(std::size_t size, bool closed) {
  std::string open = "<n0><v>kept</v>";
  std::string close = "</n0>";
  std::size_t levels = 1;
  while (open.size() + (closed ? close.size() : 0) < size) {
    const std::string n = std::to_string(levels++);
    open += "<n" + n + ">";
    if (closed) close += "</n" + n + ">";
  }
  if (!closed) return open;
  // Closing tags in reverse order of opening: walk `close` backwards tag by tag.
  std::string reversed;
  reversed.reserve(close.size());
  for (std::size_t end = close.size(); end > 0;) {
    const std::size_t start = close.rfind('<', end - 1);
    reversed.append(close, start, end - start);
    end = start;
  }
  return open + "x" + reversed + "<titel>T</titel>";
}

}  // namespace lobbyfind::testing
