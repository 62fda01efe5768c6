// The registry procedures of the game bridge. Each call is self-contained: it
// opens its key, reads or writes one value and closes the key again, so every
// read sees what the game itself may have changed meanwhile.
//
// Reads return false (out argument untouched) for a missing key or value and
// for a key that cannot be opened with full access; a value of the wrong type
// raises RegistryTypeError, data the platform will not deliver
// RegistryReadError. Writes create the whole key path and raise
// RegistryWriteError when anything fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "game/registry_port.h"

namespace lobbyfind::game {

[[nodiscard]] bool RegReadString(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                                 std::string_view name, std::string& text);
void RegWriteString(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                    std::string_view name, std::string_view text);
[[nodiscard]] bool RegReadInteger(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                                  std::string_view name, std::int32_t& value);
void RegWriteInteger(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                     std::string_view name, std::int32_t value);
void RegWriteBinary(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                    std::string_view name, const void* buffer, std::size_t count);

// The stored form of each kind of value: a string with its zero terminator
// (REG_SZ), a 32-bit little-endian integer (REG_DWORD), bytes as given
// (REG_BINARY).
[[nodiscard]] RegistryValue StringValue(std::string_view text);
[[nodiscard]] RegistryValue IntegerValue(std::int32_t value);
[[nodiscard]] RegistryValue BinaryValue(const void* buffer, std::size_t count);

}  // namespace lobbyfind::game
