// The program's one pseudo-random generator: a linear congruential generator
// over 32 bits. It gives the number of a generated player name and of a
// suggested nickname; one object serves both, so the two never repeat each
// other's sequence.
#pragma once

#include <cstdint>

namespace lobbyfind::app {

class PseudoRandom {
 public:
  explicit PseudoRandom(std::uint32_t seed = 0) : seed_(seed) {}

  // Advances the state, then maps it to 0 .. range-1 (range > 0).
  [[nodiscard]] std::uint32_t Draw(std::uint32_t range) {
    seed_ = seed_ * kMultiplier + 1U;  // wraps modulo 2^32
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed_) * range) >> 32);
  }

  // A whole number from 1 to 100, as player names and nickname suggestions
  // carry it.
  [[nodiscard]] std::uint32_t DrawNameNumber() { return Draw(100) + 1; }

  [[nodiscard]] std::uint32_t Seed() const { return seed_; }

 private:
  static constexpr std::uint32_t kMultiplier = 134775813U;
  std::uint32_t seed_;
};

}  // namespace lobbyfind::app
