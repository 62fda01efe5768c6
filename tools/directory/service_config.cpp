#include "service_config.h"

#include <algorithm>
#include <charconv>

#include "text_sanitiser.h"

namespace lobbyfind::directory_service {

namespace {

// Config texts end up in reply elements just like announced names, so they
// pass the same sanitiser; this bound only guards against a runaway line.
constexpr std::size_t kMaxConfigText = 4096;

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool IsDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS": a fixed layout,
// so comparing the texts orders the entries by time.
bool IsTimestamp(std::string_view s) {
  auto digits_at = [&](std::size_t pos, std::size_t n) { return IsDigits(s.substr(pos, n)); };
  const bool date = s.size() >= 10 && digits_at(0, 4) && s[4] == '-' && digits_at(5, 2) &&
                    s[7] == '-' && digits_at(8, 2);
  if (!date) return false;
  if (s.size() == 10) return true;
  const bool hm = s.size() >= 16 && s[10] == ' ' && digits_at(11, 2) && s[13] == ':' && digits_at(14, 2);
  if (!hm) return false;
  if (s.size() == 16) return true;
  return s.size() == 19 && s[16] == ':' && digits_at(17, 2);
}

class Parser {
 public:
  ServiceConfig Run(std::string_view text) {
    while (!text.empty()) {
      ++line_no_;
      const auto nl = text.find('\n');
      Line(Trim(text.substr(0, nl)));
      text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    }
    CloseSection();
    auto newest_first = [](const auto& a, const auto& b) { return a.time > b.time; };
    std::stable_sort(config_.changes.begin(), config_.changes.end(), newest_first);
    std::stable_sort(config_.news.begin(), config_.news.end(), newest_first);
    return config_;
  }

 private:
  enum class Section { kTop, kChange, kNews };

  [[noreturn]] void Fail(const std::string& what) const {
    throw ConfigError("line " + std::to_string(line_no_) + ": " + what);
  }

  int Number(std::string_view value) const {
    int n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc{} || end != value.data() + value.size()) Fail("not a number: " + std::string(value));
    return n;
  }

  std::string Time(std::string_view value) const {
    if (!IsTimestamp(value)) Fail("time must be YYYY-MM-DD, optionally with \" HH:MM\" or \" HH:MM:SS\"");
    return std::string(value);
  }

  static std::string Text(std::string_view value) { return SanitiseText(value, kMaxConfigText); }

  void Line(std::string_view line) {
    if (line.empty() || line.front() == '#' || line.front() == ';') return;
    if (line.front() == '[') {
      CloseSection();
      section_start_ = line_no_;
      if (line == "[change]") {
        section_ = Section::kChange;
        change_ = {};
      } else if (line == "[news]") {
        section_ = Section::kNews;
        news_ = {};
      } else {
        Fail("unknown section " + std::string(line));
      }
      return;
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) Fail("expected key = value");
    const std::string_view key = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    switch (section_) {
      case Section::kTop: return TopKey(key, value);
      case Section::kChange: return ChangeKey(key, value);
      case Section::kNews: return NewsKey(key, value);
    }
  }

  void TopKey(std::string_view key, std::string_view value) {
    if (key == "current-version") {
      config_.current_version = Number(value);
    } else if (key == "update-url") {
      config_.update_url = Text(value);
    } else {
      Fail("unknown key " + std::string(key));
    }
  }

  void ChangeKey(std::string_view key, std::string_view value) {
    if (key == "version") {
      change_.version = Number(value);
    } else if (key == "time") {
      change_.time = Time(value);
    } else if (key == "text") {
      change_.text = Text(value);
    } else {
      Fail("unknown key " + std::string(key) + " in [change]");
    }
  }

  void NewsKey(std::string_view key, std::string_view value) {
    if (key == "time") {
      news_.time = Time(value);
    } else if (key == "author") {
      news_.author = Text(value);
    } else if (key == "title") {
      news_.title = Text(value);
    } else if (key == "content") {
      if (!news_.content.empty()) news_.content += "\r\n";
      news_.content += Text(value);
    } else {
      Fail("unknown key " + std::string(key) + " in [news]");
    }
  }

  void CloseSection() {
    const auto missing = [&](const char* what) {
      throw ConfigError("line " + std::to_string(section_start_) + ": section lacks " + what);
    };
    if (section_ == Section::kChange) {
      if (change_.time.empty()) missing("time");
      if (change_.text.empty()) missing("text");
      config_.changes.push_back(change_);
    } else if (section_ == Section::kNews) {
      if (news_.time.empty()) missing("time");
      if (news_.title.empty()) missing("title");
      config_.news.push_back(news_);
    }
    section_ = Section::kTop;
  }

  ServiceConfig config_;
  Section section_ = Section::kTop;
  ChangeEntry change_;
  NewsEntry news_;
  int line_no_ = 0;
  int section_start_ = 0;
};

}  // namespace

ServiceConfig ParseServiceConfig(std::string_view text) { return Parser{}.Run(text); }

}  // namespace lobbyfind::directory_service
