#pragma once
// SIGTERM, SIGHUP and SIGINT (a logout, a service manager, kill, Ctrl+C in
// the terminal that started the window) end the window as closing it does,
// as the command-line loader stops on them: the operation under way is
// stopped and journalled, the port closed and the trace ended; then the
// application's event loop ends with 128 + the signal's number. The
// handler only writes the signal into a pipe; the window's event loop reads
// it (a box's own loop too) and acts there. Nothing on Windows, which sends
// a window no such signals.

#include <QObject>

class QWidget;

namespace galt {

class TStopSignals : public QObject {
 public:
  // From now on the signals close `window`; one such object at a time.
  explicit TStopSignals(QWidget& window);
  // The signals' earlier handling comes back.
  ~TStopSignals() override;
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

 private:
  void Readable();

  QWidget& window_;
  int pipe_[2] = {-1, -1};
};

}  // namespace galt
