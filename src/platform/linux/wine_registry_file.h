// The text of a Wine prefix's registry file (system.reg), read and edited in
// place: every line we do not change is kept as it was. Values are given and
// returned as the 8-bit registry calls see them (strings in code page 1252
// with their terminator).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/registry_port.h"

namespace lobbyfind::platform {

class WineRegistryFile {
 public:
  explicit WineRegistryFile(std::string_view text);

  // "#arch=win64" in the header: a 64-bit prefix, in which 32-bit programs
  // see HKLM\Software below Software\Wow6432Node.
  [[nodiscard]] bool IsWin64() const { return win64_; }

  // A key exists when it has a section of its own or below it.
  [[nodiscard]] bool KeyExists(const std::vector<std::string>& key) const;
  [[nodiscard]] game::QueryStatus Query(const std::vector<std::string>& key, std::string_view name,
                                        game::RegistryValue& value) const;
  // Sets the value, adding the key's section when missing.
  void Set(const std::vector<std::string>& key, std::string_view name, std::uint32_t type,
           const std::vector<std::uint8_t>& data, std::int64_t unix_seconds);

  [[nodiscard]] std::string Text() const;

 private:
  struct Section {
    std::size_t line;                  // index of the "[...]" line
    std::vector<std::string> names;    // as spelled in the file
  };
  void IndexSections();
  [[nodiscard]] const Section* FindSection(const std::vector<std::string>& key) const;
  // The lines [first, end) of the value `name` inside the section; first == end when absent.
  [[nodiscard]] std::pair<std::size_t, std::size_t> FindValue(const Section& section, std::string_view name) const;
  [[nodiscard]] std::size_t SectionEnd(const Section& section) const;

  std::vector<std::string> lines_;
  std::vector<Section> sections_;
  bool win64_ = false;
};

// One value line as Wine writes it, e.g. "f_limit"=dword:0000000a.
[[nodiscard]] std::string FormatWineValue(std::string_view name, std::uint32_t type,
                                          const std::vector<std::uint8_t>& data);

}  // namespace lobbyfind::platform
