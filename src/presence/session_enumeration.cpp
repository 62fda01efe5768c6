#include "presence/session_enumeration.h"

#include <array>

namespace lobbyfind::presence {
namespace {

// Every DirectPlay message over the wire starts with a 28-byte header: one
// little-endian word of size (low 20 bits) and token (high 12 bits), the
// sender's address as a sockaddr_in (family little-endian, port big-endian,
// IPv4 address, 8 bytes padding), the signature and the command word.
constexpr std::uint32_t kToken = 0xFAB;
constexpr std::size_t kHeaderSize = 28;
constexpr std::size_t kPortOffset = 6;
constexpr std::size_t kSignatureOffset = 20;
constexpr std::size_t kCommandOffset = 24;
constexpr std::size_t kGuidOffset = 28;
constexpr std::string_view kSignature = "play";
constexpr std::uint16_t kAddressFamilyIpv4 = 2;
constexpr std::uint16_t kProtocolVersion = 14;
constexpr std::uint16_t kCommandEnumSessionsReply = 1;
constexpr std::uint16_t kCommandEnumSessions = 2;
constexpr std::uint32_t kEnumerationFlags = 0x11;

// {561E8920-5C70-11D2-AD00-00A0C9B61398} in the standard GUID byte layout
// (first three fields little-endian, the last eight bytes as written).
constexpr std::array<unsigned char, 16> kGameGuid = {0x20, 0x89, 0x1E, 0x56, 0x70, 0x5C, 0xD2, 0x11,
                                                     0xAD, 0x00, 0x00, 0xA0, 0xC9, 0xB6, 0x13, 0x98};

// The session description that follows a reply's header (DPSESSIONDESC2).
constexpr std::uint32_t kSessionDescSize = 80;

void PutLe16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void PutLe32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutZeros(std::string& out, std::size_t n) { out.append(n, '\0'); }

void PutGuid(std::string& out) {
  for (unsigned char b : kGameGuid) out.push_back(static_cast<char>(b));
}

// The header; the size word is filled by Seal once the message is complete.
std::string Header(std::uint16_t port, std::uint16_t command) {
  std::string out;
  PutZeros(out, 4);
  PutLe16(out, kAddressFamilyIpv4);
  out.push_back(static_cast<char>(port >> 8));  // network byte order
  out.push_back(static_cast<char>(port & 0xFF));
  PutZeros(out, 4 + 8);  // no IPv4 address, padding
  out.append(kSignature);
  PutLe16(out, command);
  PutLe16(out, kProtocolVersion);
  return out;
}

void Seal(std::string& message) {
  const auto word = (static_cast<std::uint32_t>(message.size()) & 0xFFFFF) | (kToken << 20);
  for (int i = 0; i < 4; ++i) message[static_cast<std::size_t>(i)] = static_cast<char>((word >> (8 * i)) & 0xFF);
}

std::uint16_t Le16At(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                    (static_cast<unsigned char>(bytes[offset + 1]) << 8));
}

}  // namespace

std::string SessionRequest(std::uint16_t answer_port) {
  std::string out = Header(answer_port, kCommandEnumSessions);
  PutGuid(out);
  PutLe32(out, 0);  // password offset: no password
  PutLe32(out, kEnumerationFlags);
  Seal(out);
  return out;
}

bool IsGameSessionRequest(std::string_view datagram) {
  if (datagram.size() < kGuidOffset + kGameGuid.size()) return false;
  if (datagram.substr(kSignatureOffset, kSignature.size()) != kSignature) return false;
  if (Le16At(datagram, kCommandOffset) != kCommandEnumSessions) return false;
  for (std::size_t i = 0; i < kGameGuid.size(); ++i) {
    if (static_cast<unsigned char>(datagram[kGuidOffset + i]) != kGameGuid[i]) return false;
  }
  return true;
}

std::uint16_t AnswerGamePort(std::string_view answer) {
  const auto byte = [&](std::size_t i) -> unsigned { return i < answer.size() ? static_cast<unsigned char>(answer[i]) : 0U; };
  return static_cast<std::uint16_t>(byte(kPortOffset) * 256 + byte(kPortOffset + 1));
}

std::string SessionReply(std::uint16_t game_port, std::string_view session_name, std::uint32_t max_players,
                         std::uint32_t current_players) {
  std::string out = Header(game_port, kCommandEnumSessionsReply);
  // DPSESSIONDESC2: size, flags, instance GUID (left zero), application
  // GUID, player limits, user words and the reserved pointer fields.
  PutLe32(out, kSessionDescSize);
  PutLe32(out, 0);
  PutZeros(out, 16);
  PutGuid(out);
  PutLe32(out, max_players);
  PutLe32(out, current_players);
  PutZeros(out, kSessionDescSize - 8 - 16 - 16 - 8);
  // Offset of the name, counted from the start of the message.
  PutLe32(out, static_cast<std::uint32_t>(out.size() + 4));
  for (char c : session_name) PutLe16(out, static_cast<unsigned char>(c));
  PutLe16(out, 0);
  Seal(out);
  return out;
}

static_assert(kHeaderSize == kGuidOffset);

}  // namespace lobbyfind::presence
