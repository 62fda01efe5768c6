// The home router as miniupnpc reaches it (UPnP IGD): finding it, asking
// for one mapping, and removing one only when it is still this program's
// (same inside address, same description). Blocking calls: for a worker
// thread or a command-line tool, never a window's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "portmap/mapping_plan.h"

namespace lobbyfind::portmap {

// The description every mapping of this program carries on the router.
inline constexpr const char* kMappingDescription = "lobbyfind";

class UpnpRouter {
 public:
  ~UpnpRouter();
  UpnpRouter(const UpnpRouter&) = delete;
  UpnpRouter& operator=(const UpnpRouter&) = delete;

  // Searches the local network for `wait_ms`; null with `error` set when no
  // connected router answers.
  [[nodiscard]] static std::unique_ptr<UpnpRouter> Discover(int wait_ms, std::string& error);

  // This machine's address as the router sees it: where mappings point.
  [[nodiscard]] const std::string& LocalAddress() const { return local_address_; }
  [[nodiscard]] std::string ExternalAddress() const;

  [[nodiscard]] MapOutcome Map(const PortRequest& request, std::uint32_t lease_s);
  // True when the mapping was this program's and is gone now.
  bool RemoveIfOurs(const PortRequest& request);

 private:
  struct Igd;
  explicit UpnpRouter(std::unique_ptr<Igd> igd, std::string local_address);

  std::unique_ptr<Igd> igd_;
  std::string local_address_;
};

// Runs the plan's current round against the router.
void MapRound(MappingPlan& plan, UpnpRouter& router);
// Removes every mapping the plan owns; returns how many went.
int RemoveOwned(MappingPlan& plan, UpnpRouter& router);

}  // namespace lobbyfind::portmap
