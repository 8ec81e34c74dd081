#pragma once
// Shared by the start-up probes: once the window has been exposed and painted,
// print "shown" on stdout (the benchmark takes its time stamp from that line)
// and leave the event loop.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace galt::bench {

class ReportWhenShown : public QObject {
 public:
  explicit ReportWhenShown(QWidget& window) {
    window.winId();  // creates the platform window so its expose can be watched
    window.windowHandle()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && !reported_ && static_cast<QWindow*>(watched)->isExposed()) {
      reported_ = true;
      // Queued: the expose paints the window first.
      QTimer::singleShot(0, [] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return false;
  }

 private:
  bool reported_ = false;
};

}  // namespace galt::bench
