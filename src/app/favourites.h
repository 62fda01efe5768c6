// The user's favourite games, by server name, and how they are kept in one
// value of the settings file.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace lobbyfind::app {

class Favourites {
 public:
  [[nodiscard]] bool Contains(std::string_view name) const { return names_.find(name) != names_.end(); }
  // Adds a name that is not there, removes one that is.
  void Toggle(const std::string& name);
  [[nodiscard]] bool Empty() const { return names_.empty(); }

  // One line of printable ASCII: the names in byte order, separated by ",",
  // each byte that is not printable ASCII, and "%" and ",", written as "%"
  // and two upper-case hex digits. Any name, whatever its bytes, comes back
  // from Decode as it was.
  [[nodiscard]] std::string Encode() const;
  // The favourites a stored value holds; a broken escape is kept literally,
  // an empty name is dropped.
  [[nodiscard]] static Favourites Decode(std::string_view stored);

 private:
  std::set<std::string, std::less<>> names_;
};

}  // namespace lobbyfind::app
