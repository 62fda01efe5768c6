// The start-up and shutdown both editions share: the core's window made from
// what the edition brings, the edition's controls wired to it, its creation
// handler run; at the end its close handler. An edition fills FormDeps with
// its own view and ports only (a new dependency is one line there) and leaves
// the rest of the order to this class.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/form1.h"

namespace lobbyfind::app {

class RunningForm {
 public:
  // `seed`: the pseudo-random generator's start; nothing: from the clock, so
  // that two first starts do not pick the same generated player name.
  // `connect` wires the edition's controls to the form before its creation
  // handler runs.
  RunningForm(FormDeps deps, std::optional<std::uint32_t> seed, const std::function<void(TForm1&)>& connect);
  ~RunningForm();
  RunningForm(const RunningForm&) = delete;
  RunningForm& operator=(const RunningForm&) = delete;

  [[nodiscard]] TForm1& form() { return *form_; }

 private:
  std::unique_ptr<TForm1> form_;
};

}  // namespace lobbyfind::app
