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

// The local-machine shorthands go through the machine registry, which the
// program installs once at start-up (and tests install per test). Calling
// one with none installed is a programming error (std::logic_error).
void SetMachineRegistry(RegistryBackend* registry);
[[nodiscard]] RegistryBackend& MachineRegistry();

// Installs a machine registry for the lifetime of the guard and puts the
// previous one back afterwards.
class ScopedMachineRegistry {
 public:
  explicit ScopedMachineRegistry(RegistryBackend& registry);
  ~ScopedMachineRegistry();
  ScopedMachineRegistry(const ScopedMachineRegistry&) = delete;
  ScopedMachineRegistry& operator=(const ScopedMachineRegistry&) = delete;

 private:
  RegistryBackend* previous_;
};

[[nodiscard]] bool MachineReadString(std::string_view path, std::string_view name, std::string& text);
void MachineWriteString(std::string_view path, std::string_view name, std::string_view text);
[[nodiscard]] bool MachineReadInteger(std::string_view path, std::string_view name, std::int32_t& value);
void MachineWriteInteger(std::string_view path, std::string_view name, std::int32_t value);
void MachineWriteBinary(std::string_view path, std::string_view name, const void* buffer,
                        std::size_t count);

}  // namespace lobbyfind::game
