#pragma once
// The end-to-end rig: the real window with recorded boxes and Qt timers, its
// serial component on the pseudo-terminal of a virtual device.

#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/qt/Unit1.h"
#include "records/JournalFile.h"
#include "tests/support/VirtualDevice.h"
#include "tests/support/QtWait.h"
#include "tests/support/RecordingBoxes.h"

namespace galt::testing {

// The window over the given ports, with recorded boxes and Qt timers.
inline std::unique_ptr<TForm1> MakeForm(RecordingBoxes& boxes, std::map<int, std::string> ports) {
  TForm1Setup setup;
  setup.boxes = &boxes;
  setup.ports = TSerPortTable(std::move(ports));
  auto form = std::make_unique<TForm1>(setup);
  // The ports and start-up's boxes come once the window is painted.
  ShowPainted(*form);
  return form;
}

// A virtual device on its pty and the window on that one port.
struct Rig {
  void Start() {
    device.Start();
    form = MakeForm(boxes, {{1, device.Path()}});
  }
  void PressInstall() { QTest::mouseClick(form->Button4, Qt::LeftButton); }
  LoaderCore& core() { return form->Core(); }

  VirtualDevice device;
  RecordingBoxes boxes;
  std::unique_ptr<TForm1> form;
};

// The newest entry of the run's journal (GALT_JOURNAL, set by the tests' main),
// once the window's journal has written what it was given.
inline JournalEntry LastJournalEntry(TForm1& form) {
  form.Journal().WaitForFile(std::chrono::steady_clock::now() + std::chrono::seconds(5));
  const JournalRead read = ReadJournal(JournalPath(), 1);
  return read.entries.empty() ? JournalEntry{} : read.entries.back();
}

inline bool WaitForBox(RecordingBoxes& boxes, int ms, std::size_t count = 1) {
  return RunEventsUntil([&] { return boxes.boxes.size() >= count; }, ms);
}

// The bytes the install wrote: blocks 0..232 of the image's data lines.
inline std::vector<std::uint8_t> WrittenBytes(const ImageBuffer& image) {
  std::vector<std::uint8_t> out;
  for (int i = 0; i < 233 * 8; ++i) {
    const std::string_view body = LineBody(image, i);
    for (int k = 0; k < 16; ++k)
      out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(body.substr(3 * k, 2)), nullptr, 16)));
  }
  return out;
}

}  // namespace galt::testing
