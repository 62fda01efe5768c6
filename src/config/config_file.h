// cConfigFile: the program's own settings, "lobbyfind.ini", held whole in
// memory as an ordered list of key and value pairs and rewritten whole on
// every Save. Two lines per entry (key, then value), each passed through
// EncodeText so that no stored line holds a line break.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lobbyfind::config {

// Escapes "&", ">", "<", "'", Ctrl-Z, "\", LF and CR so that any string fits
// on one line of the file and is read back whole. DecodeText(EncodeText(s)) == s for every s.
[[nodiscard]] std::string EncodeText(std::string_view text);
[[nodiscard]] std::string DecodeText(std::string_view text);

// Save could not write the file. what() is a readable message naming the file
// and the system's reason; the old file is left as it was.
class ConfigSaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class cConfigFile {
 public:
  // Create: an empty object, then Load(file_name). Never fails: a missing or
  // unreadable file gives an empty, usable object whose first Save creates it.
  explicit cConfigFile(std::string file_name);

  // Replaces the entries with those of the file. True when the whole file was
  // read; on an error the entries read so far stay.
  bool Load(std::string file_name);

  // Writes every entry to FileName. The file is replaced atomically (a
  // temporary file beside it, flushed, then renamed over it), so a crash or a
  // full disk mid-save leaves the old file whole. Throws ConfigSaveError.
  void Save() const;

  // The value of the first entry whose key equals `key` byte for byte. False,
  // and `value` untouched, when there is none.
  bool GetValue(std::string_view key, std::string& value) const;
  bool ReadString(std::string_view key, std::string& value) const;
  // GetValue, then the standard conversion to a signed 32-bit integer. False,
  // and `number` untouched, when the key is missing or the value no integer.
  bool ReadInteger(std::string_view key, std::int32_t& number) const;

  // Sets the first entry with this key, or appends a new entry at the end.
  // Memory only: the file changes on the next Save.
  void SetValue(std::string_view key, std::string_view value);
  void WriteString(std::string_view key, std::string_view value);
  // Stores the number in its shortest general form (5000 -> "5000").
  void WriteNumber(std::string_view key, double number);

  [[nodiscard]] const std::string& FileName() const { return FileName_; }
  [[nodiscard]] bool Loaded() const { return Loaded_; }
  [[nodiscard]] const std::vector<std::string>& Keys() const { return Keys_; }
  [[nodiscard]] const std::vector<std::string>& Values() const { return Values_; }

 private:
  std::string FileName_;
  bool Loaded_ = false;
  std::vector<std::string> Keys_;
  std::vector<std::string> Values_;
};

// The standard string-to-integer conversion of stored values: optional
// leading blanks, an optional sign, then decimal digits, or hexadecimal after
// "$" or "0x". Nothing may follow. False when out of the 32-bit range.
[[nodiscard]] bool ParseInteger(std::string_view text, std::int32_t& number);

// The shortest general form of a number with up to 15 significant digits.
[[nodiscard]] std::string FormatNumber(double number);

}  // namespace lobbyfind::config
