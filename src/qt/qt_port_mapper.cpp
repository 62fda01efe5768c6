#include "qt/qt_port_mapper.h"

#include <QMetaObject>

#include <chrono>
#include <memory>

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

QtPortMapper::QtPortMapper(Report report, bool enabled)
    : report_(std::move(report)), enabled_(enabled), worker_([this] { Work(); }) {}

QtPortMapper::~QtPortMapper() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

void QtPortMapper::SetEnabled(bool enabled) {
  {
    std::lock_guard lock(mutex_);
    if (enabled && !enabled_) ++turned_on_;
    enabled_ = enabled;
  }
  wake_.notify_all();
}

void QtPortMapper::Post(const std::string& line) {
  // Queued to this object: dropped if the mapper is gone by then.
  QMetaObject::invokeMethod(this, [this, line] { report_(line); }, Qt::QueuedConnection);
}

void QtPortMapper::Work() {
  using namespace portmap;
  MappingPlan plan;
  std::unique_ptr<UpnpRouter> router;
  int searched_at = -1;  // the value of turned_on_ at the last search
  bool mapped = false;
  // Mapping stops between two requests once it is turned off or the program closes.
  const auto wanted = [this] {
    std::lock_guard lock(mutex_);
    return enabled_ && !stopping_;
  };
  const auto round = [&](bool renewal) {
    plan.BeginRound(NowMs(), renewal);
    while (wanted()) {
      const auto request = plan.Next();
      if (!request) break;
      plan.Record(*request, router->Map(*request, plan.LeaseSeconds()));
    }
  };
  while (true) {
    int turned_on = 0;
    bool enabled = false;
    {
      std::unique_lock lock(mutex_);
      if (stopping_) break;
      turned_on = turned_on_;
      enabled = enabled_;
    }
    if (enabled && !router && searched_at != turned_on) {
      searched_at = turned_on;
      std::string error;
      router = UpnpRouter::Discover(kDiscoverWaitMs, error);
      if (!router) Post(HandForwardingLine(error, plan.Missing()));
      continue;
    }
    if (enabled && router && !mapped) {
      round(false);
      mapped = wanted();
      if (mapped && !plan.Missing().empty()) {
        Post(HandForwardingLine(plan.Owned().empty() ? "the router refused the mappings"
                                                     : "the router refused some of the mappings",
                                plan.Missing()));
      }
      continue;
    }
    if (!enabled && router && !plan.Owned().empty()) {
      RemoveOwned(plan, *router);
      mapped = false;
      continue;
    }
    if (!enabled) mapped = false;
    if (mapped && plan.RenewalDue(NowMs())) round(true);
    std::unique_lock lock(mutex_);
    // Renewal is checked once a minute (the lease is an hour), a change at once.
    wake_.wait_for(lock, std::chrono::minutes(1),
                   [&] { return stopping_ || enabled_ != enabled || turned_on_ != turned_on; });
  }
  if (router) RemoveOwned(plan, *router);
}

}  // namespace lobbyfind::qt
