#include "frontend/CoreBinding.h"

namespace galt {

CoreBinding::CoreBinding(LoaderCore& core, TSerCustomComm& comm, CoreBindingHandlers handlers)
    : core_(core), handlers_(std::move(handlers)) {
  comm.OnRxChar = [this](TSerCustomComm*, int count) { handlers_.Dispatch([this, count] { core_.cp1RxChar(count); }); };
  comm.SetExceptionDisplay([this](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      if (e.what() == shownError_) return;
      shownError_ = e.what();
      if (handlers_.ShowError) handlers_.ShowError(e);
    }
  });
  const auto changed = [this] {
    core_.LinkReset();
    if (handlers_.LineChanged) handlers_.LineChanged();
  };
  comm.OnOpen = [this, changed](TSerCustomComm*) {
    shownError_.clear();
    changed();
  };
  comm.OnClose = [changed](TSerCustomComm*) { changed(); };
  comm.OnDeviceLost = [this](TSerCustomComm*) {
    if (handlers_.DeviceLost) handlers_.DeviceLost();
  };
  core_.DispatchTimerTicks(handlers_.Dispatch);
}

}  // namespace galt
