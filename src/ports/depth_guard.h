// Counts the port notifications of one component on the call stack, also
// when one ends in an exception. A component that must not destroy a
// connection inside that connection's own notification keeps closed ones
// until the count is back at zero; a count left raised would keep them for
// ever.
#pragma once

namespace lobbyfind::ports {

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  ~DepthGuard() { --depth_; }

 private:
  int& depth_;
};

}  // namespace lobbyfind::ports
