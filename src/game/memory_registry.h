// A registry held in memory, for tests: it behaves as the platform registry
// does for the operations of the port and can inject each failure the game
// bridge must survive (a value the platform will not deliver, a key that can
// be read but not written, a write that fails) and records every write.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "game/registry_port.h"

namespace lobbyfind::game {

class MemoryRegistry final : public RegistryBackend {
 public:
  struct Write {
    std::string path;
    std::string name;
    RegistryValue value;
  };

  [[nodiscard]] std::unique_ptr<RegistryKey> Open(RegistryRoot root, std::string_view path,
                                                  bool create) override;

  // Puts a value of any type (creating the key path), bypassing every
  // injected failure; for setting up a test.
  void Put(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t type,
           std::vector<std::uint8_t> data);
  void PutString(RegistryRoot root, std::string_view path, std::string_view name, std::string_view text);
  void PutDword(RegistryRoot root, std::string_view path, std::string_view name, std::uint32_t value);

  [[nodiscard]] bool KeyExists(RegistryRoot root, std::string_view path) const;
  [[nodiscard]] std::optional<RegistryValue> Find(RegistryRoot root, std::string_view path,
                                                  std::string_view name) const;

  // Failures to inject.
  void MakeReadOnly(RegistryRoot root, std::string_view path);          // no full access
  void MakeUnreadable(RegistryRoot root, std::string_view path, std::string_view name);
  void FailWritesOf(std::string_view name);                            // Set returns false

  // Every successful Set, in order.
  [[nodiscard]] const std::vector<Write>& writes() const { return writes_; }

 private:
  friend class MemoryRegistryKey;
  struct Key {
    std::string path;  // as first created
    std::map<std::string, std::pair<std::string, RegistryValue>> values;  // folded name -> (name, value)
    std::set<std::string> unreadable;  // folded names
    bool read_only = false;
  };
  using Tree = std::map<std::string, Key>;  // folded path "a\b\c" -> key

  Key* Create(RegistryRoot root, std::string_view path, bool honour_read_only);
  [[nodiscard]] const Key* Lookup(RegistryRoot root, std::string_view path) const;
  [[nodiscard]] static std::string FoldedPath(std::string_view path);

  std::map<RegistryRoot, Tree> trees_;
  std::set<std::string> failing_names_;
  std::vector<Write> writes_;
};

}  // namespace lobbyfind::game
