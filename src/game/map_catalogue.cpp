#include "game/map_catalogue.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>
#include <system_error>

#include "game/map_order.h"
#include "game/registry_port.h"

namespace lobbyfind::game {
namespace {

// The keys as the game writes them, spaces included; "SCRFile =" has no
// trailing space in the game's files, so its value keeps a leading one.
constexpr std::string_view kGmpPrefix = "GMPFile = ";
constexpr std::string_view kStyPrefix = "STYFile = ";
constexpr std::string_view kScrPrefix = "SCRFile =";
constexpr std::string_view kDescriptionPrefix = "Description = ";
constexpr std::string_view kPlayerCountPrefix = "PlayerCount = ";

constexpr std::string_view kDataFolder = "data";
constexpr std::string_view kMapExtension = ".mmp";
constexpr std::string_view kIndexError = "|error|";

// Whether a file name in the platform's own characters (wide on Windows) ends
// in ".mmp" in any case. Read without converting the name to 8 bits: that
// conversion throws for a name the Windows code page cannot hold, and such a
// file still counts for the game's map index.
bool HasMapExtension(const std::filesystem::path::string_type& name) {
  if (name.size() < kMapExtension.size()) return false;
  const std::size_t start = name.size() - kMapExtension.size();
  using Char = std::filesystem::path::value_type;
  for (std::size_t i = 0; i < kMapExtension.size(); ++i) {
    const char lower = kMapExtension[i];
    const char upper = (lower >= 'a' && lower <= 'z') ? static_cast<char>(lower - 'a' + 'A') : lower;
    const Char c = name[start + i];
    if (c != static_cast<Char>(lower) && c != static_cast<Char>(upper)) return false;
  }
  return true;
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  std::int32_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  // from_chars takes no plus sign; a leading "+" is still a number.
  if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last) return std::nullopt;
  return value;
}

// Adds `description` at its sorted place unless an equal one (ignoring case)
// is already there.
void AddSorted(std::vector<std::string>& catalogue, const std::string& description) {
  const auto at = std::lower_bound(catalogue.begin(), catalogue.end(), description,
                                   [](const std::string& a, const std::string& b) { return CompareMapNames(a, b) < 0; });
  if (at != catalogue.end() && CompareMapNames(*at, description) == 0) return;
  catalogue.insert(at, description);
}

}  // namespace

tMapFile ReadMapFile(const std::filesystem::path& path) {
  tMapFile map;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    map.Valid = false;
    return map;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view text = line;
    if (text.starts_with(kGmpPrefix)) map.GMPFile = text.substr(kGmpPrefix.size());
    if (text.starts_with(kStyPrefix)) map.STYFile = text.substr(kStyPrefix.size());
    if (text.starts_with(kScrPrefix)) map.SCRFile = text.substr(kScrPrefix.size());
    if (text.starts_with(kDescriptionPrefix)) map.Description = text.substr(kDescriptionPrefix.size());
    if (text.starts_with(kPlayerCountPrefix)) {
      const auto count = ParseDecimal(text.substr(kPlayerCountPrefix.size()));
      if (!count) {
        map.Valid = false;
        return map;
      }
      map.PlayerCount = *count;
    }
  }
  if (in.bad()) map.Valid = false;
  return map;
}

bool NameStartsWithDot(const std::filesystem::directory_entry& entry) {
  const auto& name = entry.path().filename().native();
  return !name.empty() && name.front() == '.';
}

std::vector<std::string> MapCatalogue(const std::filesystem::path& gta_dir, const HiddenFileTest& hidden) {
  std::vector<std::string> catalogue;
  std::error_code error;
  std::filesystem::directory_iterator it(gta_dir / kDataFolder, error);
  if (error) return catalogue;
  // Stepping with an error code: a folder that turns unreadable midway ends
  // the listing instead of throwing.
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    const auto& entry = *it;
    const auto& name = entry.path().filename().native();
    // Hidden entries are left out, as the game's own directory listing does.
    if (name.empty() || !HasMapExtension(name) || hidden(entry)) continue;
    std::error_code kind_error;
    if (entry.is_directory(kind_error)) continue;
    // A file that cannot be read still counts, with what was read of it.
    AddSorted(catalogue, ReadMapFile(entry.path()).Description);
  }
  return catalogue;
}

std::string GetCurrentMapName(std::optional<std::uint32_t> map_index, const std::filesystem::path& gta_dir,
                              const HiddenFileTest& hidden) {
  if (!map_index) return {};
  const std::vector<std::string> catalogue = MapCatalogue(gta_dir, hidden);
  if (*map_index < catalogue.size()) return catalogue[*map_index];
  return std::string(kIndexError);
}

}  // namespace lobbyfind::game
