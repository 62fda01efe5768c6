#include "portmap/upnp/upnp_router.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <cstring>
#include <string_view>

namespace lobbyfind::portmap {
namespace {

// UPnP IGD error codes the plan tells apart.
constexpr int kConflictInMappingEntry = 718;
constexpr int kOnlyPermanentLeasesSupported = 725;

const char* ProtocolName(Protocol p) { return p == Protocol::kTcp ? "TCP" : "UDP"; }

}  // namespace

struct UpnpRouter::Igd {
  UPNPUrls urls{};
  IGDdatas data{};
  ~Igd() { FreeUPNPUrls(&urls); }
};

UpnpRouter::UpnpRouter(std::unique_ptr<Igd> igd, std::string local_address)
    : igd_(std::move(igd)), local_address_(std::move(local_address)) {}

UpnpRouter::~UpnpRouter() = default;

std::unique_ptr<UpnpRouter> UpnpRouter::Discover(int wait_ms, std::string& error) {
  int discover_error = 0;
  UPNPDev* devices = upnpDiscover(wait_ms, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &discover_error);
  if (devices == nullptr) {
    error = "no UPnP router answered";
    return nullptr;
  }
  auto igd = std::make_unique<Igd>();
  char lan_address[64] = {};
  const int found = UPNP_GetValidIGD(devices, &igd->urls, &igd->data, lan_address, sizeof lan_address);
  freeUPNPDevlist(devices);
  if (found != 1) {
    error = found == 0 ? "no UPnP router answered"
                       : found == 2 ? "the UPnP router reports no internet connection"
                                    : "the UPnP device found is no router";
    if (found != 0) FreeUPNPUrls(&igd->urls);
    igd->urls = {};
    return nullptr;
  }
  return std::unique_ptr<UpnpRouter>(new UpnpRouter(std::move(igd), lan_address));
}

std::string UpnpRouter::ExternalAddress() const {
  char address[40] = {};
  if (UPNP_GetExternalIPAddress(igd_->urls.controlURL, igd_->data.first.servicetype, address) != UPNPCOMMAND_SUCCESS)
    return {};
  return address;
}

MapOutcome UpnpRouter::Map(const PortRequest& request, std::uint32_t lease_s) {
  const std::string port = std::to_string(request.port);
  const char* protocol = ProtocolName(request.protocol);
  // A mapping somebody else made is never replaced, even one to this machine.
  char client[40] = {}, inner_port[6] = {}, description[80] = {}, enabled[4] = {}, lease[16] = {};
  if (UPNP_GetSpecificPortMappingEntry(igd_->urls.controlURL, igd_->data.first.servicetype, port.c_str(), protocol,
                                       nullptr, client, inner_port, description, enabled,
                                       lease) == UPNPCOMMAND_SUCCESS &&
      std::string_view(description) != kMappingDescription) {
    return client == local_address_ && port == inner_port ? MapOutcome::kForwardedAlready : MapOutcome::kTakenByOther;
  }
  const std::string lease_text = std::to_string(lease_s);
  const int result = UPNP_AddPortMapping(igd_->urls.controlURL, igd_->data.first.servicetype, port.c_str(),
                                         port.c_str(), local_address_.c_str(), kMappingDescription, protocol,
                                         nullptr, lease_text.c_str());
  if (result == UPNPCOMMAND_SUCCESS) return MapOutcome::kMapped;
  if (result == kOnlyPermanentLeasesSupported) return MapOutcome::kPermanentOnly;
  if (result == kConflictInMappingEntry) return MapOutcome::kTakenByOther;
  return MapOutcome::kRefused;
}

bool UpnpRouter::RemoveIfOurs(const PortRequest& request) {
  const std::string port = std::to_string(request.port);
  const char* protocol = ProtocolName(request.protocol);
  char client[40] = {}, inner_port[6] = {}, description[80] = {}, enabled[4] = {}, lease[16] = {};
  if (UPNP_GetSpecificPortMappingEntry(igd_->urls.controlURL, igd_->data.first.servicetype, port.c_str(), protocol,
                                       nullptr, client, inner_port, description, enabled,
                                       lease) != UPNPCOMMAND_SUCCESS)
    return false;  // expired or removed already
  if (client != local_address_ || std::string_view(description) != kMappingDescription) return false;
  return UPNP_DeletePortMapping(igd_->urls.controlURL, igd_->data.first.servicetype, port.c_str(), protocol,
                                nullptr) == UPNPCOMMAND_SUCCESS;
}

void MapRound(MappingPlan& plan, UpnpRouter& router) {
  while (const auto request = plan.Next()) plan.Record(*request, router.Map(*request, plan.LeaseSeconds()));
}

int RemoveOwned(MappingPlan& plan, UpnpRouter& router) {
  int removed = 0;
  for (const auto& request : plan.Owned()) {
    removed += router.RemoveIfOurs(request) ? 1 : 0;
    plan.Removed(request);
  }
  return removed;
}

}  // namespace lobbyfind::portmap
