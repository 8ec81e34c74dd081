// No hot-plug notifications on Windows here: the monitor hands out nothing to
// wait on, and the window looks at the ports again when its list opens and
// while a listed port is busy.

#include "ports/PortMonitor.h"

namespace galt {

struct TSerPortMonitor::TImpl {};

TSerPortMonitor::TSerPortMonitor(const TSerPortTable&) : Impl_(std::make_unique<TImpl>()) {}
TSerPortMonitor::~TSerPortMonitor() = default;

std::vector<TSerHandle> TSerPortMonitor::Handles() const { return {}; }

bool TSerPortMonitor::TakeChanges() { return false; }

}  // namespace galt
