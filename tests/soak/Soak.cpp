#include "tests/soak/Soak.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <dirent.h>

#include <fstream>
#include <random>

#include "app/qt/Unit1.h"
#include "tests/e2e/PluggableDevice.h"
#include "tests/support/QtWait.h"
#include "tests/support/RecordingBoxes.h"

namespace galt::testing {

namespace {

int CountEntries(const char* dir) {
  int n = 0;
  if (DIR* d = ::opendir(dir)) {
    while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
    ::closedir(d);
  }
  return n;
}

constexpr int kRunLimitMs = 30000;

}  // namespace

const char* FaultName(SoakFault fault) {
  switch (fault) {
    case SoakFault::None: return "none";
    case SoakFault::Silent: return "silent";
    case SoakFault::LateAck: return "late ack";
    case SoakFault::EchoStops: return "echo stops";
    case SoakFault::CorruptEcho: return "corrupt echo";
    case SoakFault::NoiseAndSplit: return "noise, split";
    case SoakFault::LateQuery: return "late query answer";
    case SoakFault::MissingQuery: return "no query answer";
    case SoakFault::OtherModel: return "another model";
    case SoakFault::Unplug: return "unplug";
  }
  return "?";
}

std::vector<SoakRun> SoakPlan(std::uint32_t seed, int runs) {
  std::mt19937 random(seed);
  const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  std::vector<SoakRun> plan;
  for (int i = 0; i < runs; ++i) {
    SoakRun run;
    run.fault = static_cast<SoakFault>(pick(0, static_cast<int>(SoakFault::Unplug)));
    run.serial = pick(100, 350);
    switch (run.fault) {
      case SoakFault::LateAck: run.value = pick(2, 150); break;        // the first frame acknowledged
      case SoakFault::EchoStops:
      case SoakFault::CorruptEcho:
      case SoakFault::Unplug: run.value = pick(0, 232); break;        // the block
      case SoakFault::NoiseAndSplit: run.value = pick(1, 24); break;  // noise bytes; pieces from it
      case SoakFault::LateQuery: run.value = pick(2, 3); break;       // the query answered
      default: break;
    }
    plan.push_back(run);
  }
  return plan;
}

SoakEnd ExpectedEnd(const SoakRun& run, const std::string& port) {
  switch (run.fault) {
    case SoakFault::None:
    case SoakFault::LateAck:
    case SoakFault::NoiseAndSplit:
    case SoakFault::LateQuery: return {texts::kActivationDone, Outcome::Confirmed};
    case SoakFault::Silent: return {texts::kDeactivateError, Outcome::DeactivationFailed};
    case SoakFault::OtherModel: return {texts::kDeactivateError, Outcome::ModelMismatch};
    case SoakFault::EchoStops: return {texts::kLoadError, Outcome::EchoMissing};
    case SoakFault::MissingQuery: return {texts::kLoadError, Outcome::ConfirmationMissing};
    case SoakFault::CorruptEcho: return {texts::kWriteError, Outcome::WriteRejected};
    case SoakFault::Unplug: return {texts::LinkLostText(port), Outcome::LinkLost};
  }
  return {};
}

emu::Faults FaultsOf(const SoakRun& run) {
  emu::Faults f;
  switch (run.fault) {
    case SoakFault::Silent: f.silent = true; break;
    case SoakFault::LateAck: f.ackDeactivationFrom = run.value; break;
    case SoakFault::EchoStops: f.stopEchoAtBlock = run.value; break;
    case SoakFault::CorruptEcho: f.corruptEchoAtBlock = run.value; break;
    case SoakFault::NoiseAndSplit:
      f.noiseBytes = run.value;
      f.splitPieces = 2 + run.value % 4;
      break;
    case SoakFault::LateQuery: f.answerQueryNumber = run.value; break;
    case SoakFault::MissingQuery: f.answerQueryNumber = 0; break;
    case SoakFault::OtherModel: f.model = 7; break;
    default: break;
  }
  return f;
}

SoakSample SampleProcess() {
  SoakSample s;
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") {
      status >> s.rssKb;
      break;
    }
    status.ignore(4096, '\n');
  }
  s.fds = CountEntries("/proc/self/fd");
  s.threads = CountEntries("/proc/self/task");
  return s;
}

struct Soak::TImpl {
  TImpl() {
    adapter.Plug();
    TForm1Setup setup;
    setup.boxes = &boxes;
    setup.ports = TSerPortTable({{33, adapter.Link()}});
    form = std::make_unique<TForm1>(setup);
    ShowPainted(*form);
  }

  PluggableDevice adapter;
  RecordingBoxes boxes;
  std::unique_ptr<TForm1> form;
};

Soak::Soak() : impl_(std::make_unique<TImpl>()) {}
Soak::~Soak() {
  impl_->form->close();
}

SoakOutcome Soak::Run(const SoakRun& run) {
  TImpl& s = *impl_;
  SoakOutcome out;
  QElapsedTimer clock;
  clock.start();
  s.boxes.boxes.clear();

  s.adapter.Renew([&](emu::DeviceEmulator& d) { d.faults = FaultsOf(run); });
  out.expected = ExpectedEnd(run, "USB0").text;

  LoaderCore& core = s.form->Core();
  core.zn.SetValue(run.serial);
  QTest::mouseClick(s.form->Button4, Qt::LeftButton);
  // The run's own end: a box with the error caption or a completion box;
  // another model's warnings (empty caption) go on until then.
  const auto ended = [&] {
    for (const auto& b : s.boxes.boxes)
      if (!b.caption.empty()) return true;
    return false;
  };
  bool pulled = false;
  if (run.fault == SoakFault::Unplug) {
    if (RunEventsUntil([&] { return core.Gauge2.Progress() >= run.value || ended(); }, kRunLimitMs) && !ended()) {
      s.adapter.Unplug();
      pulled = true;
    }
  }
  const bool boxed = RunEventsUntil(ended, kRunLimitMs);
  // Nothing may follow the run's box.
  RunEventsUntil([] { return false; }, 50);

  std::string last;
  int ending = 0;
  for (const auto& b : s.boxes.boxes) {
    if (b.caption.empty()) continue;
    ++ending;
    last = b.text;
  }
  out.got = boxed ? last : "no box within " + std::to_string(kRunLimitMs / 1000) + " s";
  out.passed = boxed && ending == 1 && last == out.expected && !core.OperationRunning();
  if (out.passed && run.fault == SoakFault::OtherModel) {
    s.adapter.Device()->Stop();
    out.passed = s.adapter.Device()->emulator.counters.writes == 0;
    if (!out.passed) out.got = "a device of another model was written";
    s.adapter.Device()->Restart();
  }
  if (out.passed && out.expected == texts::kActivationDone) {
    s.adapter.Device()->Stop();
    const int inFlash = s.adapter.Device()->emulator.SerialFromFlash();
    out.passed = inFlash == run.serial;
    if (!out.passed) out.got = "flash holds serial " + std::to_string(inFlash);
    s.adapter.Device()->Restart();
  }
  if (pulled) {
    // Back in: the loader takes the adapter again by itself. (An install
    // that ended before its block was never pulled: a re-plug now would be
    // the next install's loss.)
    s.adapter.Plug();
    if (!RunEventsUntil([&] { return s.form->cp1().IsOpen(); }, 5000)) {
      out.passed = false;
      out.got += "; not reopened after the re-plug";
    }
  }
  out.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
  return out;
}

}  // namespace galt::testing
