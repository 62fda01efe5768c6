#include "game/connection_address.h"

namespace lobbyfind::game {
namespace {

void AppendGuid(std::vector<std::uint8_t>& out, const Guid& guid) {
  out.insert(out.end(), guid.begin(), guid.end());
}

void AppendUint32(std::vector<std::uint8_t>& out, std::size_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

}  // namespace

std::vector<std::uint8_t> WideAddress(std::string_view address) {
  std::vector<std::uint8_t> wide;
  wide.reserve(address.size() * 2 + 2);
  for (const char c : address) {
    wide.push_back(static_cast<std::uint8_t>(c));
    wide.push_back(0);
  }
  wide.push_back(0);
  wide.push_back(0);
  return wide;
}

std::vector<std::uint8_t> ConnectionBlock(std::string_view address) {
  const auto wide = WideAddress(address);
  std::vector<std::uint8_t> block;
  block.reserve(wide.size() + 80);
  AppendGuid(block, kDpaidTotalSize);
  AppendUint32(block, 4);
  AppendUint32(block, wide.size() + 80);
  AppendGuid(block, kDpaidServiceProvider);
  AppendUint32(block, kDpspGuidTcpip.size());
  AppendGuid(block, kDpspGuidTcpip);
  AppendGuid(block, kDpaidINetW);
  AppendUint32(block, wide.size());
  block.insert(block.end(), wide.begin(), wide.end());
  return block;
}

}  // namespace lobbyfind::game
