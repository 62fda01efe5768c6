#include "game/registry_procedures.h"

#include <algorithm>
#include <vector>

#include "game/registry_errors.h"

namespace lobbyfind::game {
namespace {

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
                std::string_view name, const RegistryValue& value) {
  const auto key = registry.Open(root, path, /*create=*/true);
  if (!key || !key->Set(name, value.type, value.data)) {
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
  WriteValue(registry, root, path, name, StringValue(text));
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
  WriteValue(registry, root, path, name, IntegerValue(value));
}

void RegWriteBinary(RegistryBackend& registry, RegistryRoot root, std::string_view path,
                    std::string_view name, const void* buffer, std::size_t count) {
  WriteValue(registry, root, path, name, BinaryValue(buffer, count));
}

RegistryValue StringValue(std::string_view text) {
  RegistryValue value{reg_type::kSz, {text.begin(), text.end()}};
  value.data.push_back(0);
  return value;
}

RegistryValue IntegerValue(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {reg_type::kDword,
          {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
           static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)}};
}

RegistryValue BinaryValue(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  return {reg_type::kBinary, {bytes, bytes + count}};
}

}  // namespace lobbyfind::game
