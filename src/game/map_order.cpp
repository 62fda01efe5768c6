#include "game/map_order.h"

#include <cstdint>
#include <vector>

namespace lobbyfind::game {
namespace {

// The base letters of the accented letters 0xC0 to 0xFF of code page 1252,
// lower case; '\0' where the byte is no letter with a base (× ÷) and '*' for
// the letters that stand for two (Æ ß æ are "ae", "ss", "ae").
constexpr char kLatin1Base[] =
    "aaaaaa*ceeeeiiii"   // C0-CF
    "dnooooo\0ouuuuyt*"  // D0-DF (Þ as t after th)
    "aaaaaa*ceeeeiiii"   // E0-EF
    "dnooooo\0ouuuuyty"; // F0-FF

struct Weights {
  std::vector<std::uint16_t> primary;    // what compares first
  std::vector<std::uint8_t> accents;     // one per letter: its byte when accented, else 0
  std::vector<std::uint8_t> ignorables;  // the hyphens and apostrophes, in order
};

void AddLetter(Weights& w, char letter, std::uint8_t accent) {
  w.primary.push_back(static_cast<std::uint16_t>(0x300 + (letter - 'a')));
  w.accents.push_back(accent);
}

Weights WeightsOf(std::string_view text) {
  Weights w;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') {
      AddLetter(w, static_cast<char>(byte - 'A' + 'a'), 0);
    } else if (byte >= 'a' && byte <= 'z') {
      AddLetter(w, static_cast<char>(byte), 0);
    } else if (byte >= '0' && byte <= '9') {
      w.primary.push_back(static_cast<std::uint16_t>(0x200 + (byte - '0')));
    } else if (byte == '-' || byte == '\'' || byte == 0x96 || byte == 0x97 || byte == 0x92) {
      w.ignorables.push_back(byte);
    } else if (byte >= 0xC0 && kLatin1Base[byte - 0xC0] != '\0') {
      const char base = kLatin1Base[byte - 0xC0];
      if (base == '*') {
        const bool sharp_s = byte == 0xDF;
        AddLetter(w, sharp_s ? 's' : 'a', byte);
        AddLetter(w, sharp_s ? 's' : 'e', byte);
      } else {
        AddLetter(w, base, byte);
      }
    } else if (byte == 0x8A || byte == 0x9A) {  // Š š
      AddLetter(w, 's', byte);
    } else if (byte == 0x8E || byte == 0x9E) {  // Ž ž
      AddLetter(w, 'z', byte);
    } else if (byte == 0x9F) {  // Ÿ
      AddLetter(w, 'y', byte);
    } else if (byte == 0x8C || byte == 0x9C) {  // Œ œ
      AddLetter(w, 'o', byte);
      AddLetter(w, 'e', byte);
    } else {
      // Blanks, punctuation and other symbols: before every digit and letter,
      // among themselves by their code.
      w.primary.push_back(byte);
    }
  }
  return w;
}

// The accents of upper- and lower-case forms weigh alike: fold to lower.
std::uint8_t FoldAccent(std::uint8_t byte) {
  if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return static_cast<std::uint8_t>(byte + 0x20);
  if (byte == 0x8A || byte == 0x8C || byte == 0x8E) return static_cast<std::uint8_t>(byte + 0x10);
  if (byte == 0x9F) return 0xFF;
  return byte;
}

template <typename T>
int CompareSequences(const std::vector<T>& a, const std::vector<T>& b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

int CompareMapNames(std::string_view a, std::string_view b) {
  Weights x = WeightsOf(a);
  Weights y = WeightsOf(b);
  if (const int primary = CompareSequences(x.primary, y.primary); primary != 0) return primary;
  for (auto* accents : {&x.accents, &y.accents}) {
    for (auto& accent : *accents) accent = FoldAccent(accent);
  }
  if (const int accents = CompareSequences(x.accents, y.accents); accents != 0) return accents;
  return CompareSequences(x.ignorables, y.ignorables);
}

}  // namespace lobbyfind::game
