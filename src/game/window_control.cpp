#include "game/window_control.h"

#include "game/registry_port.h"

namespace lobbyfind::game {
namespace {

// Folded, with every separator a "/" and no trailing separators, so that
// "C:\Games\GTA2\" and "c:/games/gta2" compare equal. A root keeps its one
// separator ("/" or "c:/").
std::string Normalised(std::string_view path) {
  std::string text = FoldCase(path);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  while (text.size() > 1 && text.back() == '/' && !(text.size() == 3 && text[1] == ':')) text.pop_back();
  return text;
}

}  // namespace

bool ProgramInFolder(std::string_view program, std::string_view folder) {
  if (folder.empty()) return false;
  const std::string path = Normalised(program);
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || slash + 1 == path.size()) return false;
  std::string parent = path.substr(0, slash);
  if (parent.empty() || (parent.size() == 2 && parent[1] == ':')) parent += '/';
  return parent == Normalised(folder);
}

}  // namespace lobbyfind::game
