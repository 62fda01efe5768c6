#include "game/registry_port.h"

namespace lobbyfind::game {

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find('\\', start);
    if (end == std::string_view::npos) {
      end = path.size();
    }
    if (end > start) {
      names.emplace_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return names;
}

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return folded;
}

void RegistryBackend::WriteBatch(RegistryRoot root, std::vector<RegistryWrite> writes, WriteDone done) {
  for (const auto& write : writes) {
    const auto key = Open(root, write.path, /*create=*/true);
    if (!key || !key->Set(write.name, write.value.type, write.value.data)) {
      done(write.name);
      return;
    }
  }
  done(std::nullopt);
}

void RegistryBackend::Refresh(RegistryRoot /*root*/, std::string_view /*path*/, std::function<void()> done) {
  if (done) done();
}

bool SameName(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

}  // namespace lobbyfind::game
