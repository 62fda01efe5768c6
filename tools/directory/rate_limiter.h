// Per-address request budget (a token bucket): each address may send `burst`
// requests at once and then `per_second` a second on average. A lobby that
// refreshes and announces on every tick stays far below the default budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace lobbyfind::directory_service {

class RateLimiter {
 public:
  // per_second == 0 switches the limit off.
  RateLimiter(double per_second, double burst, std::size_t max_tracked = 100000);

  // Takes one token for `address` at time `now_ms`; false when none is left.
  [[nodiscard]] bool Allow(const std::string& address, std::int64_t now_ms);

  [[nodiscard]] std::size_t Tracked() const { return buckets_.size(); }

 private:
  struct Bucket {
    double tokens = 0;
    std::int64_t last_ms = 0;
  };
  void Prune(std::int64_t now_ms);

  double per_second_;
  double burst_;
  std::size_t max_tracked_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace lobbyfind::directory_service
