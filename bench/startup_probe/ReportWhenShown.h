#pragma once
// Shared by the start-up probes: as soon as the window's first expose has
// been painted, print "shown" on stdout (the benchmark takes its time stamp
// from that line) and leave the event loop. What a window queues behind its
// first paint (the loader: the ports) is not the window's showing.

#include <QCoreApplication>
#include <QEvent>
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
      // Delivered here, so that the window paints before the report.
      QCoreApplication::sendEvent(watched, event);
      std::fputs("shown\n", stdout);
      std::fflush(stdout);
      QCoreApplication::quit();
      return true;
    }
    return false;
  }

 private:
  bool reported_ = false;
};

}  // namespace galt::bench
