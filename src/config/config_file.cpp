#include "config/config_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>  // fsync: the only way to push a written file to the disk
#elif defined(_WIN32)
#include <io.h>  // _commit, the same for Windows
#endif

namespace lobbyfind::config {
namespace {

struct Replacement {
  std::string_view from;
  std::string_view to;
};

// The escapes of one stored line, in encoding order. Decoding runs them in
// the reverse order with `from` and `to` swapped: "&" goes first and comes
// back last, and backslashes are escaped before "\n" and "\r" are made.
// Ctrl-Z ends the file when it is read, so a stored one would cut off its
// entry and every entry after it. Its escape cannot clash with older files:
// "&" is escaped first, so no saved line ever held "&#26;" as such.
constexpr Replacement kEscapes[] = {
    {"&", "&#38;"}, {">", "&#62;"}, {"<", "&#60;"}, {"'", "&#39;"},
    {"\x1a", "&#26;"}, {"\\", "&#92;"}, {"\n", "\\n"}, {"\r", "\\r"},
};

constexpr char kCtrlZ = 26;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kTempSuffix = ".tmp";

// One left-to-right pass replacing every non-overlapping occurrence.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) {
      out.append(text.substr(pos));
      return out;
    }
    out.append(text.substr(pos, hit - pos));
    out.append(to);
    pos = hit + from.size();
  }
}

// Reads one line starting at `pos`: it ends at a CR (an LF right after it
// belongs to the line end) or at a bare LF, as hand-edited files may have.
std::string_view NextLine(std::string_view data, std::size_t& pos) {
  const std::size_t start = pos;
  const std::size_t end = data.find_first_of("\r\n", start);
  if (end == std::string_view::npos) {
    pos = data.size();
    return data.substr(start);
  }
  pos = end + 1;
  if (data[end] == '\r' && pos < data.size() && data[pos] == '\n') {
    ++pos;
  }
  return data.substr(start, end - start);
}

std::string SystemReason(int error) {
  return error != 0 ? std::strerror(error) : "unknown error";
}

[[noreturn]] void FailSave(const std::string& file, const std::string& action, int error) {
  throw ConfigSaveError("Cannot save settings file \"" + file + "\": " + action + ": " +
                        SystemReason(error));
}

// Pushes the written bytes to the disk, so that the rename that follows
// never exposes a file whose contents are still only in the page cache.
bool SyncToDisk(std::FILE* file) {
#if defined(__unix__) || defined(__APPLE__)
  return fsync(fileno(file)) == 0;
#elif defined(_WIN32)
  return _commit(_fileno(file)) == 0;
#else
  (void)file;
  return true;
#endif
}

}  // namespace

std::string EncodeText(std::string_view text) {
  std::string out(text);
  for (const auto& step : kEscapes) {
    out = ReplaceAll(out, step.from, step.to);
  }
  return out;
}

std::string DecodeText(std::string_view text) {
  std::string out(text);
  for (auto step = std::rbegin(kEscapes); step != std::rend(kEscapes); ++step) {
    out = ReplaceAll(out, step->to, step->from);
  }
  return out;
}

cConfigFile::cConfigFile(std::string file_name) { Load(std::move(file_name)); }

bool cConfigFile::Load(std::string file_name) {
  FileName_ = std::move(file_name);
  Keys_.clear();
  Values_.clear();
  Loaded_ = false;

  std::FILE* file = std::fopen(FileName_.c_str(), "rb");
  if (file == nullptr) {
    return false;
  }
  std::string data;
  char buffer[8192];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    data.append(buffer, got);
  }
  // A read error (a folder, a failing disk) still keeps what was read.
  const bool read_whole = std::ferror(file) == 0;
  std::fclose(file);
  // Ctrl-Z marks the end of a text file; whatever follows it is not read.
  if (const auto eof = data.find(kCtrlZ); eof != std::string::npos) {
    data.resize(eof);
  }
  const std::string_view view(data);
  std::size_t pos = 0;
  while (pos < view.size()) {
    Keys_.push_back(DecodeText(NextLine(view, pos)));
    // A last key without its value line gets an empty value.
    Values_.push_back(pos < view.size() ? DecodeText(NextLine(view, pos)) : std::string());
  }
  Loaded_ = read_whole;
  return Loaded_;
}

void cConfigFile::Save() const {
  std::string contents;
  for (std::size_t i = 0; i < Keys_.size(); ++i) {
    contents += EncodeText(Keys_[i]);
    contents += kLineEnd;
    contents += EncodeText(Values_[i]);
    contents += kLineEnd;
  }

  const std::string temp = FileName_ + std::string(kTempSuffix);
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (file == nullptr) {
    FailSave(FileName_, "cannot create \"" + temp + "\"", errno);
  }
  errno = 0;
  const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size() &&
                       std::fflush(file) == 0 && SyncToDisk(file);
  const int write_error = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    const int error = written ? errno : write_error;
    std::remove(temp.c_str());
    FailSave(FileName_, "cannot write \"" + temp + "\"", error);
  }

  std::error_code ec;
  std::filesystem::rename(temp, FileName_, ec);
  if (ec) {
    std::remove(temp.c_str());
    throw ConfigSaveError("Cannot save settings file \"" + FileName_ + "\": cannot replace it: " +
                          ec.message());
  }
}

bool cConfigFile::GetValue(std::string_view key, std::string& value) const {
  for (std::size_t i = 0; i < Keys_.size(); ++i) {
    if (Keys_[i] == key) {
      value = Values_[i];
      return true;
    }
  }
  return false;
}

bool cConfigFile::ReadString(std::string_view key, std::string& value) const {
  return GetValue(key, value);
}

bool cConfigFile::ReadInteger(std::string_view key, std::int32_t& number) const {
  std::string text;
  return GetValue(key, text) && ParseInteger(text, number);
}

void cConfigFile::SetValue(std::string_view key, std::string_view value) {
  for (std::size_t i = 0; i < Keys_.size(); ++i) {
    if (Keys_[i] == key) {
      Values_[i] = value;
      return;
    }
  }
  Keys_.emplace_back(key);
  Values_.emplace_back(value);
}

void cConfigFile::WriteString(std::string_view key, std::string_view value) {
  SetValue(key, value);
}

void cConfigFile::WriteNumber(std::string_view key, double number) {
  SetValue(key, FormatNumber(number));
}

bool ParseInteger(std::string_view text, std::int32_t& number) {
  std::size_t pos = text.find_first_not_of(' ');
  if (pos == std::string_view::npos) {
    return false;
  }
  bool negative = false;
  if (text[pos] == '+' || text[pos] == '-') {
    negative = text[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (text.substr(pos, 1) == "$") {
    base = 16;
    pos += 1;
  } else if (text.substr(pos, 2) == "0x" || text.substr(pos, 2) == "0X") {
    base = 16;
    pos += 2;
  }
  const std::string_view digits = text.substr(pos);
  if (digits.empty()) {
    return false;
  }
  std::uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (error != std::errc() || end != digits.data() + digits.size()) {
    return false;
  }
  const std::int64_t value =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  if (magnitude > std::uint64_t{1} << 32 || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  number = static_cast<std::int32_t>(value);
  return true;
}

std::string FormatNumber(double number) {
  char buffer[64];
  const int length = std::snprintf(buffer, sizeof buffer, "%.15G", number);
  return std::string(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

}  // namespace lobbyfind::config
