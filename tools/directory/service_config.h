// What the directory says about the lobby itself: the current version, where
// to get it, what changed, and the news. Read from a small text file:
//
//   # comment
//   current-version = 4
//   update-url = https://example.org/lobbyfind/
//   [change]                    one block per change-list entry
//   version = 5                 optional: listed only to lobbies older than this
//   time = 2024-05-01           YYYY-MM-DD, optionally followed by " HH:MM[:SS]"
//   text = Faster game list
//   [news]                      one block per news entry
//   time = 2024-05-02 18:30
//   author = Anna
//   title = Welcome
//   content = First line        repeat "content" for further lines
//
// Blank lines and lines starting with "#" or ";" are skipped; blanks around
// keys and values are trimmed.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::directory_service {

struct ChangeEntry {
  std::optional<int> version;  // the version that brought the change
  std::string time;
  std::string text;
  friend bool operator==(const ChangeEntry&, const ChangeEntry&) = default;
};

struct NewsEntry {
  std::string time;
  std::string author;
  std::string title;
  std::string content;  // lines joined with CR LF
  friend bool operator==(const NewsEntry&, const NewsEntry&) = default;
};

struct ServiceConfig {
  int current_version = 4;  // the lobby's own version on the directory interface
  std::string update_url;
  std::vector<ChangeEntry> changes;  // newest first
  std::vector<NewsEntry> news;       // newest first
  friend bool operator==(const ServiceConfig&, const ServiceConfig&) = default;
};

// A configuration file that cannot be read; the message names the line.
class ConfigError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the file's text; changes and news come out sorted newest first
// (entries with equal times keep their order in the file). Throws ConfigError.
[[nodiscard]] ServiceConfig ParseServiceConfig(std::string_view text);

}  // namespace lobbyfind::directory_service
