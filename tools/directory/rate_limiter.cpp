#include "rate_limiter.h"

#include <algorithm>

namespace lobbyfind::directory_service {

RateLimiter::RateLimiter(double per_second, double burst, std::size_t max_tracked)
    : per_second_(per_second), burst_(std::max(burst, 1.0)), max_tracked_(max_tracked) {}

bool RateLimiter::Allow(const std::string& address, std::int64_t now_ms) {
  if (per_second_ <= 0) return true;
  auto it = buckets_.find(address);
  if (it == buckets_.end()) {
    if (buckets_.size() >= max_tracked_) Prune(now_ms);
    it = buckets_.emplace(address, Bucket{burst_, now_ms}).first;
  }
  Bucket& b = it->second;
  const double elapsed_s = static_cast<double>(std::max<std::int64_t>(0, now_ms - b.last_ms)) / 1000.0;
  b.tokens = std::min(burst_, b.tokens + elapsed_s * per_second_);
  b.last_ms = now_ms;
  if (b.tokens < 1.0) return false;
  b.tokens -= 1.0;
  return true;
}

// Forgets addresses whose bucket has filled up again: they are
// indistinguishable from addresses never seen. If a flood of distinct
// addresses keeps every bucket busy, the table is cleared rather than allowed
// to grow without bound; that briefly forgives everyone, which is the lesser harm.
void RateLimiter::Prune(std::int64_t now_ms) {
  std::erase_if(buckets_, [&](const auto& item) {
    const double elapsed_s = static_cast<double>(now_ms - item.second.last_ms) / 1000.0;
    return item.second.tokens + elapsed_s * per_second_ >= burst_;
  });
  if (buckets_.size() >= max_tracked_) buckets_.clear();
}

}  // namespace lobbyfind::directory_service
