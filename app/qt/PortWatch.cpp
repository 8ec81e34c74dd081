#include "app/qt/PortWatch.h"

#include <QSocketNotifier>

namespace galt {

namespace {
// Events of one plug come within a few milliseconds of each other.
constexpr int kSettleMs = 10;
}  // namespace

TPortWatch::TPortWatch(const TSerPortTable& Table, QObject* Parent) : QObject(Parent), monitor_(Table) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, [this] {
    if (OnChange) OnChange();
  });
  for (const TSerHandle fd : monitor_.Handles()) {
    // Owned by this object, as Qt children.
    auto* n = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(n, &QSocketNotifier::activated, this, [this] { Readable(); });
  }
}

TPortWatch::~TPortWatch() = default;

void TPortWatch::Readable() {
  if (monitor_.TakeChanges() && !settle_.isActive()) settle_.start();
}

}  // namespace galt
