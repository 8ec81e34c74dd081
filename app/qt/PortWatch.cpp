#include "app/qt/PortWatch.h"

#include <QSocketNotifier>

namespace galt {

TPortWatch::TPortWatch(const TSerPortTable& Table, QObject* Parent) : QObject(Parent), monitor_(Table) {
  for (const TSerHandle fd : monitor_.Handles()) {
    // Owned by this object, as Qt children.
    auto* n = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read, this);
    connect(n, &QSocketNotifier::activated, this, [this] { Readable(); });
  }
}

TPortWatch::~TPortWatch() = default;

void TPortWatch::Readable() {
  if (monitor_.TakeChanges() && OnChange) OnChange();
}

}  // namespace galt
