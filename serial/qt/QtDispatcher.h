#pragma once
// Hands the serial component's deliveries to a Qt event loop: each call is
// queued onto a QObject living in the GUI thread and runs there.

#include <QObject>
#include <functional>

#include "serial/SerDispatch.h"

namespace galt {

class TSerQtDispatcher : public TSerDispatcher {
 public:
  // Context defaults to a private QObject created in the calling thread,
  // which must then be the GUI thread. Calls queued on a context that is
  // destroyed before they run are dropped by Qt.
  explicit TSerQtDispatcher(QObject* Context = nullptr);
  ~TSerQtDispatcher() override;
  TSerQtDispatcher(const TSerQtDispatcher&) = delete;
  TSerQtDispatcher& operator=(const TSerQtDispatcher&) = delete;

  void Post(std::function<void()> Call) override;
  QObject* Context() const { return Context_; }

 private:
  QObject* OwnContext_ = nullptr;
  QObject* Context_;
};

}  // namespace galt
