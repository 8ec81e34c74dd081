// A whole install over a pseudo-terminal, with the device emulator pacing its
// line as a 14400-baud line does (10 bits a byte, both directions). The time
// from the button to the success box is compared with the wire-time bound:
// every frame byte both ways at 10 bits / 14400 baud, plus the fixed 1.5 s
// before the first status query. A 1 ms timer on the window's event thread
// measures its longest stall meanwhile.

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "bench/BenchJournal.h"
#include "app/qt/Unit1.h"
#include "tests/support/VirtualDevice.h"
#include "tests/support/QtWait.h"
#include "tests/support/RecordingBoxes.h"

int main(int argc, char** argv) {
  const galt::bench::JournalAside journal;
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  galt::testing::VirtualDevice device(/*pace=*/true);
  device.Start();
  galt::testing::RecordingBoxes boxes;
  galt::TForm1Setup setup;
  setup.boxes = &boxes;
  setup.ports = galt::TSerPortTable({{1, device.Path()}});
  galt::TForm1 form(setup);
  galt::testing::ShowPainted(form);
  if (!form.cp1().IsOpen()) {
    std::fprintf(stderr, "the port did not open\n");
    return 1;
  }

  QElapsedTimer clock;
  qint64 lastTick = -1, longestGap = 0;
  QTimer probe;
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    if (lastTick >= 0) longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
  });

  clock.start();
  probe.start();
  const auto start = std::chrono::steady_clock::now();
  form.Button4->click();
  const bool done = galt::testing::RunEventsUntil([&] { return !boxes.boxes.empty(); }, 120000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  probe.stop();
  device.Stop();

  if (!done || boxes.boxes.size() != 1 || boxes.boxes[0].text != "Активизация программы выполнена") {
    std::fprintf(stderr, "the install did not succeed\n");
    return 1;
  }
  // Every command and its reply cross the line once: a 10-byte deactivation
  // and its 10-byte acknowledgement, 138-byte blocks and echoes, the 10-byte
  // activation and its 10-byte answer, 8-byte queries and 10-byte replies.
  const auto& c = device.emulator.counters;
  const double bytes = c.deactivations * 20.0 + c.writes * 276.0 + c.activations * 20.0 + c.queries * 18.0;
  const double bound = bytes * 10.0 / 14400.0 + 1.5;
  std::printf("install over a paced pty: %.3f s, wire-time bound %.3f s, ratio %.4f (target <= 1.02)\n",
              seconds, bound, seconds / bound);
  std::printf("frames: %d deactivation, %d write, %d activation, %d query\n", c.deactivations, c.writes,
              c.activations, c.queries);
  // The probe's own 1 ms period is not a stall.
  std::printf("longest event-thread stall: %.2f ms (target < 20 ms)\n",
              std::max<double>(0.0, static_cast<double>(longestGap) / 1e6 - 1.0));
  return 0;
}
