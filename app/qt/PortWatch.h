#pragma once
// Follows serial ports being plugged and unplugged while the window runs:
// the port monitor's descriptors are watched on the window's event loop, and
// each piece of news is handed on (OnChange) as it comes; the port chooser
// waits for the end of a burst.

#include <QObject>
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
};

}  // namespace galt
