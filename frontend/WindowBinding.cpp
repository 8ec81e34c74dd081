#include "frontend/WindowBinding.h"

#include <exception>

#include "frontend/PortTexts.h"
#include "frontend/ProgressText.h"
#include "records/JournalFile.h"
#include "records/Outcome.h"

namespace galt {

namespace {

// The countdown in the title moves on between the sequence's own events.
constexpr int kTitleRefreshMs = 1000;

// The taskbar's one bar for the whole install: the deactivation takes a few
// per cent of its time and the write nearly all, so each gauge counts for
// its share of the time and the bar never goes back when the write starts
// (the phase's own gauge would drop from full to empty there).
constexpr int kDeactivationPermille = 20;

int Permille(const GaugeValue& Gauge, int Share) {
  const int range = Gauge.MaxValue() - Gauge.MinValue();
  return range > 0 ? (Gauge.Progress() - Gauge.MinValue()) * Share / range : 0;
}

}  // namespace

WindowBinding::WindowBinding(WindowFace& Face, const WindowSetup& Setup, const ToolkitServices& Own)
    : face_(Face),
      timers_(Setup.timers ? *Setup.timers : Own.Timers),
      boxes_(Setup.boxes ? *Setup.boxes : Own.Boxes),
      scanPorts_(Setup.scanPorts),
      uncaughtCaption_(Own.UncaughtCaption),
      cp1_(&Own.Dispatcher),
      journal_(*this, "window", ChooseJournal(Setup.journal), Own.Dispatcher, timers_,
               [this](const std::string& problem) { boxes_.Show(BoxIcon::Error, texts::kErrorCaption, problem); },
               Setup.clock ? *Setup.clock : SteadyClock::Instance()),
      tracing_(Setup.port ? *Setup.port : commSerial_, TraceFileOf(Setup.trace), "galt-loader",
               Setup.clock ? *Setup.clock : SteadyClock::Instance()),
      core_(timers_, journal_, tracing_.Line(), Setup.clock ? *Setup.clock : SteadyClock::Instance()),
      access_(cp1_, Setup.ports),
      chooser_(access_, *this, timers_, texts::kPortsBusyHint),
      titleRefresh_(timers_.CreateTimer(kTitleRefreshMs)) {
  cp1_.SetPortTable(Setup.ports);
  UseLoaderLine(cp1_);
  CoreBindingHandlers handlers;
  handlers.Dispatch = [this](const std::function<void()>& handler) { Dispatch(handler); };
  handlers.ShowError = [this](const std::exception& e) { ShowUncaught(e); };
  handlers.LineChanged = [this] { ShowOperationTitle(); };
  handlers.DeviceLost = [this] { chooser_.DeviceLost(); };
  handlers.Trace = &tracing_;
  binding_ = std::make_unique<CoreBinding>(core_, cp1_, std::move(handlers));
  titleRefresh_->OnTimer = [this] { ShowOperationTitle(); };
  // Recorded at the end itself: the box may stay open for minutes.
  core_.OnEnding = [this](const OperationEnding& ending, const std::string& text) {
    journal_.End(ending, core_, text);
    tracing_.Ended(OutcomeOf(ending));
  };
  core_.OnEnd = [this](OperationEnd) { SayTraceFailure(); };
  // Looked up off this thread: the title follows once it is known.
  journal_.OnWrittenBeforeKnown = [this] { ShowOperationTitle(); };
  SayTraceFailure();  // held until the window is shown
}

WindowBinding::~WindowBinding() {
  // No delivery or tick reaches a half-destroyed window.
  chooser_.Stop();
  if (cp1_.IsOpen()) cp1_.Close();
  core_.StopTimers();
}

void WindowBinding::FormCreate(PortStart Ports) {
  waitingForShow_ = Ports == PortStart::WhenShown;
  if (scanPorts_ && !waitingForShow_) chooser_.StartUp();
  core_.FormCreateImage();
  ShowOperationTitle(!waitingForShow_);
}

void WindowBinding::WindowShown() {
  if (shown_) return;
  if (waitingForShow_) {
    waitingForShow_ = false;
    ShowOperationTitle();  // the lookup's thread works while the ports are scanned
    if (scanPorts_) chooser_.StartUp();  // its boxes join the held ones, in order
  }
  shown_ = true;
  std::vector<std::string> held;
  held.swap(heldErrors_);
  for (const std::string& text : held) ShowError(text);
}

void WindowBinding::FormClose() {
  const bool running = core_.OperationRunning();
  if (running) journal_.End(Outcome::Stopped, core_);
  chooser_.Stop();
  if (cp1_.IsOpen()) cp1_.Close();
  core_.StopTimers();
  titleRefresh_->SetEnabled(false);
  if (running) tracing_.Ended(Outcome::Stopped);
  ShowOperationOutside();
}

void WindowBinding::Button4Click() {
  // The field's value, typed out of range, comes into it on the way.
  const bool starts = !core_.OperationRunning();
  // The core refuses it at once, in its box, when no port is open: ended
  // before that box, as every end is.
  const bool noPort = starts && !tracing_.Line().IsOpen();
  if (starts) {
    journal_.Begin(JournalOperation::Install, core_.zn.Value(), portName_, adapter_);
    tracing_.Began(JournalOperation::Install, core_.zn.Value(), portName_);
  }
  if (noPort) {
    journal_.End(Outcome::NoPort, core_, texts::kNoPortOpen, /*boxFollows=*/true);
    tracing_.Ended(Outcome::NoPort);
  }
  Dispatch([this] { core_.StartInstall(core_.zn.Value()); });
  // Refused at once all the same (the first frame's write failed, in the
  // box of its error): nothing reached the device.
  if (starts && journal_.Running() && !core_.OperationRunning()) {
    journal_.End(Outcome::NoPort, core_);
    tracing_.Ended(Outcome::NoPort);
  }
  if (noPort) SayTraceFailure();
}

void WindowBinding::cp1RxChar(int Count) {
  Dispatch([this, Count] { core_.cp1RxChar(Count); });
}

void WindowBinding::cmbPortsChange(const std::string& Path) { chooser_.Choose(Path); }

bool WindowBinding::cmbPortsStep(const std::string& Path) { return chooser_.Step(Path); }

bool WindowBinding::PortTextEntered(const std::string& Text) { return chooser_.ChooseNamed(Text); }

void WindowBinding::RefreshPorts() { chooser_.Rescan(); }

void WindowBinding::PortsMayHaveChanged() {
  if (scanPorts_) chooser_.PortsMayHaveChanged();
}

void WindowBinding::SerialFieldChanged() { ShowOperationTitle(); }

void WindowBinding::OpenJournal(std::function<bool(const std::filesystem::path&)> open) {
  // A copy is opened: Excel locks the file it has open against every
  // writer, and installs go on being journalled.
  journal_.CopyToRead([this, open = std::move(open)](const JournalCopy& copy) {
    const std::string where = JournalPathText(journal_.File());
    if (copy.missing) {
      boxes_.Show(BoxIcon::Information, texts::kJournalMenuItem, "Записей пока нет. Журнал будет здесь: " + where);
    } else if (!copy.problem.empty() || !open(copy.file)) {
      const std::string why = copy.problem.empty() ? std::string() : " (" + copy.problem + ")";
      boxes_.Show(BoxIcon::Error, texts::kErrorCaption, "Журнал не открылся" + why + ". Откройте файл сами: " + where);
    }
  });
}

void WindowBinding::Dispatch(const std::function<void()>& Handler) {
  try {
    Handler();
  } catch (const std::exception& error) {
    ShowUncaught(error);
  }
  if (core_.sized1 != shownSized1_) {
    shownSized1_ = core_.sized1;
    face_.ShowSized1(shownSized1_);
  }
  ShowOperationTitle();
}

void WindowBinding::ShowUncaught(const std::exception& Error) {
  // As a toolkit's default error box would: the handler ends, its error is
  // shown, the loader goes on.
  Show(BoxIcon::Error, uncaughtCaption_, Error.what());
}

void WindowBinding::ShowOperationTitle(bool LookUp) {
  const bool opening = !opening_.empty() && !core_.OperationRunning();
  std::string title = opening ? PortOpeningTitle(opening_) : OperationTitle(core_);
  // Not for a number half typed ("23" reads as 100).
  if (LookUp && !opening && !core_.OperationRunning() && core_.zn.Text() == std::to_string(core_.zn.Value())) {
    // Looked up when the number changes, not at every refresh.
    if (const std::string& before = journal_.WrittenBeforeText(core_.zn.Value()); !before.empty()) {
      title = before + texts::kTitleSuffix;
    }
  }
  face_.ShowTitle(title);
  titleRefresh_->SetEnabled(core_.OperationRunning());
  ShowOperationOutside();
}

void WindowBinding::ShowOperationOutside() {
  OperationShown now;
  if (core_.OperationRunning()) {
    now.state = OperationShown::Running;
    now.permille = Permille(core_.Gauge1, kDeactivationPermille) + Permille(core_.Gauge2, 1000 - kDeactivationPermille);
  }
  // The event loop goes on under a box (the title's ticks, ports coming and
  // going): a failure stays shown until its box is closed.
  if (now.state == OperationShown::Idle && operationShown_.state == OperationShown::Failed && boxesOpen_ > 0) return;
  if (now == operationShown_) return;
  operationShown_ = now;
  face_.ShowOperation(now);
}

void WindowBinding::Show(BoxIcon Icon, const std::string& Caption, const std::string& Text) {
  // The box that ends an operation comes once its timers are off; what was
  // shown running turns red for a failure, or clears.
  if (operationShown_.state == OperationShown::Running && !core_.OperationRunning()) {
    operationShown_.state = Icon == BoxIcon::Error ? OperationShown::Failed : OperationShown::Idle;
    if (operationShown_.state == OperationShown::Idle) operationShown_.permille = 0;
    face_.ShowOperation(operationShown_);
  }
  ++boxesOpen_;
  boxes_.Show(Icon, Caption, Text);
  --boxesOpen_;
  ShowOperationOutside();
}

void WindowBinding::SayTraceFailure() {
  if (const auto failure = tracing_.TakeFailure()) ShowError(*failure);
}

void WindowBinding::ShowPorts(const std::vector<TSerPortEntry>& Listed, const std::string& SelectedPath) {
  portName_.clear();
  adapter_.clear();
  for (const TSerPortEntry& entry : Listed) {
    if (entry.Path != SelectedPath) continue;
    portName_ = entry.Name;
    adapter_ = AdapterText(entry);
  }
  face_.ShowPorts(Listed, SelectedPath);
}

void WindowBinding::ShowError(const std::string& Text) {
  if (!shown_) {
    heldErrors_.push_back(Text);
    return;
  }
  Show(BoxIcon::Error, texts::kErrorCaption, Text);
}

void WindowBinding::ShowOpening(const std::string& Name) {
  opening_ = Name;
  ShowOperationTitle();
}

void WindowBinding::PortLost(const std::string& Name) {
  Dispatch([this, &Name] { core_.LinkLost(Name); });
}

}  // namespace galt
