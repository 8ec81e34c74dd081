#pragma once
// Shared by the start-up probes: as soon as the window's first expose has
// been painted, print "shown" and the processor time the process has used
// so far, all its threads (the benchmark takes its time stamp from that
// line), and leave the event loop. What a window queues behind its first
// paint (the loader: the ports, the journal's lookup) is not the window's
// showing.

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <ctime>

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
      timespec cpu{};
      clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
      std::printf("shown %.3f\n", static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6);
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
