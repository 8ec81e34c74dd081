#pragma once
// Follows serial ports being plugged and unplugged while the window runs:
// the port monitor's descriptors are watched on the window's event loop, and
// a burst of events (an adapter brings several) becomes one OnChange shortly
// after it.

#include <QObject>
#include <QTimer>
#include <functional>

#include "ports/PortMonitor.h"

namespace galt {

class TPortWatch : public QObject {
 public:
  TPortWatch(const TSerPortTable& Table, QObject* Parent = nullptr);
  ~TPortWatch() override;

  std::function<void()> OnChange;

 private:
  void Readable();

  TSerPortMonitor monitor_;
  QTimer settle_;
};

}  // namespace galt
