#include "game/memory_registry.h"

namespace lobbyfind::game {

class MemoryRegistryKey final : public RegistryKey {
 public:
  MemoryRegistryKey(MemoryRegistry& owner, MemoryRegistry::Key& key) : owner_(owner), key_(key) {}

  QueryStatus Query(std::string_view name, RegistryValue& value) override {
    const auto folded = FoldCase(name);
    const auto found = key_.values.find(folded);
    if (found == key_.values.end()) {
      return QueryStatus::kAbsent;
    }
    if (key_.unreadable.contains(folded)) {
      return QueryStatus::kUnreadable;
    }
    value = found->second.second;
    return QueryStatus::kFound;
  }

  bool Set(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) override {
    if (owner_.failing_names_.contains(FoldCase(name))) {
      return false;
    }
    RegistryValue value{type, {data.begin(), data.end()}};
    key_.values[FoldCase(name)] = {std::string(name), value};
    owner_.writes_.push_back({key_.path, std::string(name), std::move(value)});
    return true;
  }

 private:
  MemoryRegistry& owner_;
  MemoryRegistry::Key& key_;
};

std::string MemoryRegistry::FoldedPath(std::string_view path) {
  std::string folded;
  for (const auto& name : SplitKeyPath(path)) {
    if (!folded.empty()) {
      folded += '\\';
    }
    folded += FoldCase(name);
  }
  return folded;
}

const MemoryRegistry::Key* MemoryRegistry::Lookup(RegistryRoot root, std::string_view path) const {
  const auto tree = trees_.find(root);
  if (tree == trees_.end()) {
    return nullptr;
  }
  const auto key = tree->second.find(FoldedPath(path));
  return key == tree->second.end() ? nullptr : &key->second;
}

MemoryRegistry::Key* MemoryRegistry::Create(RegistryRoot root, std::string_view path,
                                            bool honour_read_only) {
  auto& tree = trees_[root];
  std::string folded;
  std::string spelled;
  Key* parent = nullptr;
  for (const auto& name : SplitKeyPath(path)) {
    folded += (folded.empty() ? "" : "\\") + FoldCase(name);
    spelled += (spelled.empty() ? "" : "\\") + name;
    auto found = tree.find(folded);
    if (found == tree.end()) {
      // A new subkey needs the right to change its parent.
      if (honour_read_only && parent != nullptr && parent->read_only) {
        return nullptr;
      }
      found = tree.emplace(folded, Key{spelled, {}, {}, false}).first;
    }
    parent = &found->second;
  }
  return parent;
}

std::unique_ptr<RegistryKey> MemoryRegistry::Open(RegistryRoot root, std::string_view path, bool create) {
  Key* key = nullptr;
  if (create) {
    key = Create(root, path, /*honour_read_only=*/true);
  } else {
    key = const_cast<Key*>(Lookup(root, path));
  }
  if (key == nullptr || key->read_only) {
    return nullptr;
  }
  return std::make_unique<MemoryRegistryKey>(*this, *key);
}

void MemoryRegistry::Put(RegistryRoot root, std::string_view path, std::string_view name,
                         std::uint32_t type, std::vector<std::uint8_t> data) {
  Key* key = Create(root, path, /*honour_read_only=*/false);
  key->values[FoldCase(name)] = {std::string(name), RegistryValue{type, std::move(data)}};
}

void MemoryRegistry::PutString(RegistryRoot root, std::string_view path, std::string_view name,
                               std::string_view text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  Put(root, path, name, reg_type::kSz, std::move(data));
}

void MemoryRegistry::PutDword(RegistryRoot root, std::string_view path, std::string_view name,
                              std::uint32_t value) {
  Put(root, path, name, reg_type::kDword,
      {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
       static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

bool MemoryRegistry::KeyExists(RegistryRoot root, std::string_view path) const {
  return Lookup(root, path) != nullptr;
}

std::optional<RegistryValue> MemoryRegistry::Find(RegistryRoot root, std::string_view path,
                                                  std::string_view name) const {
  const Key* key = Lookup(root, path);
  if (key == nullptr) {
    return std::nullopt;
  }
  const auto found = key->values.find(FoldCase(name));
  if (found == key->values.end()) {
    return std::nullopt;
  }
  return found->second.second;
}

void MemoryRegistry::MakeReadOnly(RegistryRoot root, std::string_view path) {
  Create(root, path, /*honour_read_only=*/false)->read_only = true;
}

void MemoryRegistry::MakeUnreadable(RegistryRoot root, std::string_view path, std::string_view name) {
  Create(root, path, /*honour_read_only=*/false)->unreadable.insert(FoldCase(name));
}

void MemoryRegistry::FailWritesOf(std::string_view name) { failing_names_.insert(FoldCase(name)); }

}  // namespace lobbyfind::game
