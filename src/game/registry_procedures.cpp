#include "game/registry_procedures.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "game/registry_errors.h"

namespace lobbyfind::game {
namespace {

RegistryBackend* machine_registry = nullptr;

// Opens the key for a read and fetches the value; false when key or value is
// absent. The key is opened with full access even for reading, so a key we
// may not change reads as absent, as the game bridge has always treated it.
bool QueryExisting(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                   std::string_view name, RegistryValue& value) {
  const auto key = registry.Open(root, path, /*create=*/false);
  if (!key) {
    return false;
  }
  switch (key->Query(name, value)) {
    case QueryStatus::kFound:
      return true;
    case QueryStatus::kAbsent:
      return false;
    case QueryStatus::kUnreadable:
      break;
  }
  throw RegistryReadError(name);
}

void WriteValue(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) {
  const auto key = registry.Open(root, path, /*create=*/true);
  if (!key || !key->Set(name, type, data)) {
    throw RegistryWriteError(name);
  }
}

}  // namespace

bool RegReadString(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                   std::string_view name, std::string& text) {
  RegistryValue value;
  if (!QueryExisting(registry, root, path, name, value)) {
    return false;
  }
  // The type is checked even for empty data: a zero-length binary value is
  // no more a string than a long one.
  if (value.type != reg_type::kSz && value.type != reg_type::kExpandSz) {
    throw RegistryTypeError(name);
  }
  // Stored strings need not carry their terminator; cut at the first zero
  // byte when they do. Expandable strings are returned unexpanded.
  const auto end = std::find(value.data.begin(), value.data.end(), std::uint8_t{0});
  text.assign(value.data.begin(), end);
  return true;
}

void RegWriteString(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                    std::string_view name, std::string_view text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  WriteValue(registry, root, path, name, reg_type::kSz, data);
}

bool RegReadInteger(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                    std::string_view name, std::int32_t& value) {
  RegistryValue stored;
  if (!QueryExisting(registry, root, path, name, stored)) {
    return false;
  }
  // The type decides first, so a number kept as text is always reported as
  // the wrong type, whatever its length.
  if (stored.type != reg_type::kDword) {
    throw RegistryTypeError(name);
  }
  if (stored.data.size() != 4) {
    throw RegistryReadError(name);
  }
  const std::uint32_t bits = std::uint32_t{stored.data[0]} | (std::uint32_t{stored.data[1]} << 8) |
                             (std::uint32_t{stored.data[2]} << 16) |
                             (std::uint32_t{stored.data[3]} << 24);
  value = static_cast<std::int32_t>(bits);
  return true;
}

void RegWriteInteger(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                     std::string_view name, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::uint8_t data[4] = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                                static_cast<std::uint8_t>(bits >> 16),
                                static_cast<std::uint8_t>(bits >> 24)};
  WriteValue(registry, root, path, name, reg_type::kDword, data);
}

void RegWriteBinary(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                    std::string_view name, const void* buffer, std::size_t count) {
  const std::span<const std::uint8_t> data(static_cast<const std::uint8_t*>(buffer), count);
  WriteValue(registry, root, path, name, reg_type::kBinary, data);
}

void SetMachineRegistry(RegistryBackend* registry) { machine_registry = registry; }

RegistryBackend& MachineRegistry() {
  if (machine_registry == nullptr) {
    throw std::logic_error("no machine registry installed");
  }
  return *machine_registry;
}

ScopedMachineRegistry::ScopedMachineRegistry(RegistryBackend& registry) : previous_(machine_registry) {
  machine_registry = &registry;
}

ScopedMachineRegistry::~ScopedMachineRegistry() { machine_registry = previous_; }

bool MachineReadString(std::string_view path, std::string_view name, std::string& text) {
  return RegReadString(MachineRegistry(), RegistryRoot::kLocalMachine, path, name, text);
}

void MachineWriteString(std::string_view path, std::string_view name, std::string_view text) {
  RegWriteString(MachineRegistry(), RegistryRoot::kLocalMachine, path, name, text);
}

bool MachineReadInteger(std::string_view path, std::string_view name, std::int32_t& value) {
  return RegReadInteger(MachineRegistry(), RegistryRoot::kLocalMachine, path, name, value);
}

void MachineWriteInteger(std::string_view path, std::string_view name, std::int32_t value) {
  RegWriteInteger(MachineRegistry(), RegistryRoot::kLocalMachine, path, name, value);
}

void MachineWriteBinary(std::string_view path, std::string_view name, const void* buffer,
                        std::size_t count) {
  RegWriteBinary(MachineRegistry(), RegistryRoot::kLocalMachine, path, name, buffer, count);
}

}  // namespace lobbyfind::game
