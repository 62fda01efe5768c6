#include "qt/qt_port_mapper.h"

#include <QMetaObject>

#include <chrono>

#include "portmap/mapping_plan.h"
#include "portmap/upnp/upnp_router.h"

namespace lobbyfind::qt {
namespace {

// How long the router search listens for answers.
constexpr int kDiscoverWaitMs = 2000;

std::int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

QtPortMapper::QtPortMapper(Report report) : report_(std::move(report)), worker_([this] { Work(); }) {}

QtPortMapper::~QtPortMapper() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void QtPortMapper::Post(const std::string& line) {
  // Queued to this object: dropped if the mapper is gone by then.
  QMetaObject::invokeMethod(this, [this, line] { report_(line); }, Qt::QueuedConnection);
}

void QtPortMapper::Work() {
  using namespace portmap;
  MappingPlan plan;
  std::string error;
  auto router = UpnpRouter::Discover(kDiscoverWaitMs, error);
  if (!router) {
    Post(HandForwardingLine(error, plan.Missing()));
    return;
  }
  const auto stopping = [this] {
    std::lock_guard lock(mutex_);
    return stopping_;
  };
  const auto round = [&](bool renewal) {
    plan.BeginRound(NowMs(), renewal);
    while (!stopping()) {
      const auto request = plan.Next();
      if (!request) break;
      plan.Record(*request, router->Map(*request, plan.LeaseSeconds()));
    }
  };
  round(false);
  if (!stopping() && !plan.Missing().empty()) {
    Post(HandForwardingLine(plan.Owned().empty() ? "the router refused the mappings"
                                                 : "the router refused some of the mappings",
                            plan.Missing()));
  }
  while (true) {
    std::unique_lock lock(mutex_);
    // Renewal is checked once a minute; the lease is an hour.
    wake_.wait_for(lock, std::chrono::minutes(1), [this] { return stopping_; });
    if (stopping_) break;
    lock.unlock();
    if (plan.RenewalDue(NowMs())) round(true);
  }
  RemoveOwned(plan, *router);
}

}  // namespace lobbyfind::qt
