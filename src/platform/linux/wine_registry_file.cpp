#include "platform/linux/wine_registry_file.h"

#include <algorithm>
#include <cstdio>

#include "platform/linux/wine_text.h"

namespace lobbyfind::platform {
namespace {

using game::QueryStatus;
using game::RegistryValue;
namespace reg_type = game::reg_type;

bool IsStringType(std::uint32_t type) {
  return type == reg_type::kSz || type == reg_type::kExpandSz || type == reg_type::kMultiSz;
}

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> FoldAll(const std::vector<std::string>& names) {
  std::vector<std::string> folded;
  for (const auto& name : names) folded.push_back(game::FoldCase(name));
  return folded;
}

// The key names of a "[...] stamp" line, or nothing for another line.
std::vector<std::string> SectionNames(std::string_view line) {
  if (line.empty() || line[0] != '[') return {};
  std::size_t pos = 1;
  const auto path = UnescapeRegistryText(line, pos, ']');
  return game::SplitKeyPath(Utf16ToCp1252(path));
}

// The value name of a value line (empty for the default value "@"), and the
// position just after its "=". False for lines that hold no value.
bool ParseValueName(std::string_view line, std::string& name, std::size_t& after) {
  if (line.starts_with("@=")) {
    name.clear();
    after = 2;
    return true;
  }
  if (line.empty() || line[0] != '"') return false;
  std::size_t pos = 1;
  name = Utf16ToCp1252(UnescapeRegistryText(line, pos, '"'));
  if (pos + 1 >= line.size() || line[pos + 1] != '=') return false;
  after = pos + 2;
  return true;
}

bool ParseHexBytes(std::string_view text, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto comma = std::min(text.find(',', pos), text.size());
    std::string_view item = text.substr(pos, comma - pos);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\\')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\\')) item.remove_suffix(1);
    if (!item.empty()) {
      unsigned value = 0;
      if (item.size() > 2 || std::sscanf(std::string(item).c_str(), "%x", &value) != 1) return false;
      bytes.push_back(static_cast<std::uint8_t>(value));
    }
    pos = comma + 1;
  }
  return true;
}

std::vector<std::uint8_t> WideBytes(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::u16string WideText(const std::vector<std::uint8_t>& bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

// Parses the data after "=" into the stored (wide) form.
bool ParseData(std::string_view data, RegistryValue& value) {
  unsigned type = reg_type::kSz;
  if (data.starts_with("str(")) {
    if (std::sscanf(std::string(data).c_str(), "str(%x):", &type) != 1) return false;
    data.remove_prefix(data.find(':') + 1);
  }
  if (data.starts_with("\"")) {
    std::size_t pos = 1;
    auto text = UnescapeRegistryText(data, pos, '"');
    text.push_back(0);
    value = {type, WideBytes(text)};
    return true;
  }
  if (data.starts_with("dword:")) {
    unsigned number = 0;
    if (std::sscanf(std::string(data.substr(6)).c_str(), "%x", &number) != 1) return false;
    value = {reg_type::kDword,
             {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
              static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
    return true;
  }
  type = reg_type::kBinary;
  if (data.starts_with("hex(")) {
    if (std::sscanf(std::string(data).c_str(), "hex(%x):", &type) != 1) return false;
  } else if (!data.starts_with("hex:")) {
    return false;
  }
  value.type = type;
  return ParseHexBytes(data.substr(data.find(':') + 1), value.data);
}

// What the 8-bit calls see of a stored value: strings narrowed to the code page.
RegistryValue NarrowView(RegistryValue stored) {
  if (IsStringType(stored.type)) {
    const auto narrow = Utf16ToCp1252(WideText(stored.data));
    stored.data.assign(narrow.begin(), narrow.end());
  }
  return stored;
}

}  // namespace

std::string FormatWineValue(std::string_view name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
  std::string line = name.empty() ? "@=" : "\"" + EscapeRegistryText(Cp1252ToUtf16(name), "\"") + "\"=";
  std::vector<std::uint8_t> stored = data;
  if (IsStringType(type)) {
    const std::string narrow(data.begin(), data.end());
    stored = WideBytes(Cp1252ToUtf16(narrow));
    // Only a properly terminated string is written as text, as Wine does;
    // an empty one (no terminator at all) is kept as hex.
    const auto wide = WideText(stored);
    if (!wide.empty() && wide.back() == 0) {
      if (type != reg_type::kSz) {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "str(%x):", static_cast<unsigned>(type));
        line += prefix;
      }
      return line + "\"" + EscapeRegistryText(std::u16string_view(wide).substr(0, wide.size() - 1), "\"") + "\"";
    }
  }
  char buffer[24];
  if (type == reg_type::kDword && stored.size() == 4) {
    const auto number = static_cast<unsigned>(stored[0] | (stored[1] << 8) | (stored[2] << 16)) |
                        (static_cast<unsigned>(stored[3]) << 24);
    std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
    return line + buffer;
  }
  if (type == reg_type::kBinary) {
    line += "hex:";
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(type));
    line += buffer;
  }
  for (std::size_t i = 0; i < stored.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, i == 0 ? "%02x" : ",%02x", static_cast<unsigned>(stored[i]));
    line += buffer;
  }
  return line;
}

WineRegistryFile::WineRegistryFile(std::string_view text) : lines_(SplitLines(text)) {
  for (const auto& line : lines_) {
    if (line.starts_with("[")) break;
    if (line == "#arch=win64") win64_ = true;
  }
  IndexSections();
}

void WineRegistryFile::IndexSections() {
  sections_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (auto names = SectionNames(lines_[i]); !names.empty()) {
      sections_.push_back({i, std::move(names)});
    }
  }
}

bool WineRegistryFile::KeyExists(const std::vector<std::string>& key) const {
  const auto folded = FoldAll(key);
  return std::any_of(sections_.begin(), sections_.end(), [&](const Section& section) {
    const auto names = FoldAll(section.names);
    return names.size() >= folded.size() && std::equal(folded.begin(), folded.end(), names.begin());
  });
}

const WineRegistryFile::Section* WineRegistryFile::FindSection(const std::vector<std::string>& key) const {
  const auto folded = FoldAll(key);
  for (const auto& section : sections_) {
    if (FoldAll(section.names) == folded) return &section;
  }
  return nullptr;
}

std::size_t WineRegistryFile::SectionEnd(const Section& section) const {
  std::size_t end = section.line + 1;
  while (end < lines_.size() && !lines_[end].starts_with("[")) ++end;
  // Leave the blank lines that separate it from the next section outside.
  while (end > section.line + 1 && lines_[end - 1].empty()) --end;
  return end;
}

std::pair<std::size_t, std::size_t> WineRegistryFile::FindValue(const Section& section,
                                                                std::string_view name) const {
  const auto end = SectionEnd(section);
  for (std::size_t i = section.line + 1; i < end; ++i) {
    std::string found;
    std::size_t after = 0;
    std::size_t last = i;
    // Long hex data continues on the next lines after a trailing backslash.
    while (last + 1 < end && !lines_[last].empty() && lines_[last].back() == '\\') ++last;
    if (ParseValueName(lines_[i], found, after) && game::SameName(found, name)) {
      return {i, last + 1};
    }
    i = last;
  }
  return {end, end};
}

game::QueryStatus WineRegistryFile::Query(const std::vector<std::string>& key, std::string_view name,
                                          RegistryValue& value) const {
  const Section* section = FindSection(key);
  if (section == nullptr) return QueryStatus::kAbsent;
  const auto [first, end] = FindValue(*section, name);
  if (first == end) return QueryStatus::kAbsent;
  std::string joined;
  for (std::size_t i = first; i < end; ++i) {
    std::string_view part = lines_[i];
    if (i > first) part.remove_prefix(std::min(part.find_first_not_of(' '), part.size()));
    if (i + 1 < end) part.remove_suffix(1);
    joined += part;
  }
  std::string found;
  std::size_t after = 0;
  RegistryValue stored;
  if (!ParseValueName(joined, found, after) || !ParseData(std::string_view(joined).substr(after), stored)) {
    return QueryStatus::kUnreadable;
  }
  value = NarrowView(std::move(stored));
  return QueryStatus::kFound;
}

void WineRegistryFile::Set(const std::vector<std::string>& key, std::string_view name, std::uint32_t type,
                           const std::vector<std::uint8_t>& data, std::int64_t unix_seconds) {
  const auto line = FormatWineValue(name, type, data);
  if (const Section* section = FindSection(key)) {
    const auto [first, end] = FindValue(*section, name);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.begin() + static_cast<std::ptrdiff_t>(end));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(first), line);
    IndexSections();
    return;
  }
  // Spell the new section's names as the file already spells their parents.
  std::vector<std::string> spelled = key;
  for (const auto& existing : sections_) {
    for (std::size_t i = 0; i < spelled.size() && i < existing.names.size(); ++i) {
      if (!game::SameName(spelled[i], existing.names[i])) break;
      spelled[i] = existing.names[i];
    }
  }
  std::u16string path;
  for (const auto& part : spelled) {
    if (!path.empty()) path += u'\\';
    path += Cp1252ToUtf16(part);
  }
  // Wine stamps keys with seconds since 1970 and a FILETIME (100 ns since 1601).
  const auto filetime = static_cast<std::uint64_t>(unix_seconds + 11644473600LL) * 10000000ULL;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "#time=%x%08x", static_cast<unsigned>(filetime >> 32),
                static_cast<unsigned>(filetime & 0xFFFFFFFFU));
  while (!lines_.empty() && lines_.back().empty()) lines_.pop_back();
  lines_.emplace_back();
  lines_.push_back("[" + EscapeRegistryText(path, "[]") + "] " + std::to_string(unix_seconds));
  lines_.emplace_back(stamp);
  lines_.push_back(line);
  IndexSections();
}

std::string WineRegistryFile::Text() const {
  std::string text;
  for (const auto& line : lines_) {
    text += line;
    text += '\n';
  }
  return text;
}

}  // namespace lobbyfind::platform
