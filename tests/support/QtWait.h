#pragma once
// Runs the Qt event loop until a condition holds or a time limit passes.
// Unlike QTest::qWaitFor, which sleeps 10 ms between looks, the loop waits
// for events, so a received-data event is handled as soon as it is posted.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace galt::testing {

inline bool RunEventsUntil(const std::function<bool()>& done, int limit_ms) {
  if (done()) return true;
  QEventLoop loop;
  QTimer look;
  look.setInterval(1);
  QObject::connect(&look, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(limit_ms, &loop, &QEventLoop::quit);
  look.start();
  loop.exec();
  return done();
}

// Shows a window and runs its events until it has been painted and what
// waits for that has run (the loader's window looks at the ports then).
inline bool ShowPainted(QWidget& window, int limit_ms = 5000) {
  window.show();
  const bool exposed =
      RunEventsUntil([&] { return window.windowHandle() != nullptr && window.windowHandle()->isExposed(); }, limit_ms);
  QCoreApplication::processEvents();
  return exposed;
}

}  // namespace galt::testing
