// The lobby's port mapping while it runs: a worker thread finds the home
// router, maps the game's ports, renews the lease, and removes its mappings
// when mapping is turned off or the mapper is destroyed (the program
// closes). Lines for the chat log come back through the event loop, on the
// window's thread.
#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace lobbyfind::qt {

class QtPortMapper : public QObject {
 public:
  using Report = std::function<void(const std::string& line)>;

  // Starts at once, mapping if `enabled`; start-up never waits for the router.
  explicit QtPortMapper(Report report, bool enabled = true);
  // Waits for the worker to remove the mappings it made.
  ~QtPortMapper() override;
  QtPortMapper(const QtPortMapper&) = delete;
  QtPortMapper& operator=(const QtPortMapper&) = delete;

  // On maps the ports (searching the router again if it was not found);
  // off removes this program's mappings. Returns at once.
  void SetEnabled(bool enabled);

 private:
  void Work();
  void Post(const std::string& line);

  const Report report_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool enabled_;
  // Counts the times mapping was turned on: a new search after a failed one.
  int turned_on_ = 0;
  std::thread worker_;
};

}  // namespace lobbyfind::qt
