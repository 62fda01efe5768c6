#include "app/running_form.h"

#include <chrono>


namespace lobbyfind::app {

RunningForm::RunningForm(FormDeps deps, std::optional<std::uint32_t> seed,
                         const std::function<void(TForm1&)>& connect) {
  deps.random_seed =
      seed.value_or(static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  form_ = std::make_unique<TForm1>(std::move(deps));
  if (connect) connect(*form_);
  form_->FormCreate();
}

RunningForm::~RunningForm() { form_->FormClose(); }

}  // namespace lobbyfind::app
