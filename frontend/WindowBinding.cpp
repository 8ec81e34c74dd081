#include "frontend/WindowBinding.h"

#include <exception>

#include "frontend/PortTexts.h"
#include "frontend/ProgressText.h"
#include "records/JournalFile.h"

namespace galt {

namespace {

// The countdown in the title moves on between the sequence's own events.
constexpr int kTitleRefreshMs = 1000;

}  // namespace

WindowBinding::WindowBinding(WindowFace& Face, const WindowSetup& Setup, const ToolkitServices& Own)
    : face_(Face),
      timers_(Setup.timers ? *Setup.timers : Own.Timers),
      boxes_(Setup.boxes ? *Setup.boxes : Own.Boxes),
      scanPorts_(Setup.scanPorts),
      uncaughtCaption_(Own.UncaughtCaption),
      cp1_(&Own.Dispatcher),
      journal_(boxes_, "window", JournalPath(),
               [this](const std::string& problem) { boxes_.Show(BoxIcon::Error, texts::kErrorCaption, problem); }),
      core_(timers_, journal_, Setup.port ? *Setup.port : commSerial_,
            Setup.clock ? *Setup.clock : SteadyClock::Instance()),
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
  binding_ = std::make_unique<CoreBinding>(core_, cp1_, std::move(handlers));
  titleRefresh_->OnTimer = [this] { ShowOperationTitle(); };
  core_.OnEnd = [this](OperationEnd end) { journal_.End(end, core_); };
}

WindowBinding::~WindowBinding() {
  // No delivery or tick reaches a half-destroyed window.
  chooser_.Stop();
  if (cp1_.IsOpen()) cp1_.Close();
  core_.StopTimers();
}

void WindowBinding::FormCreate() {
  if (scanPorts_) chooser_.StartUp();
  core_.FormCreateImage();
  ShowOperationTitle();
}

void WindowBinding::WindowShown() {
  if (shown_) return;
  shown_ = true;
  std::vector<std::string> held;
  held.swap(heldErrors_);
  for (const std::string& text : held) ShowError(text);
}

void WindowBinding::FormClose() {
  if (core_.OperationRunning()) journal_.End(Outcome::Stopped, core_);
  chooser_.Stop();
  if (cp1_.IsOpen()) cp1_.Close();
  core_.StopTimers();
  titleRefresh_->SetEnabled(false);
}

void WindowBinding::Button4Click() {
  // The field's value, typed out of range, comes into it on the way.
  const bool starts = !core_.OperationRunning();
  if (starts) journal_.Begin(JournalOperation::Install, core_.zn.Value(), portName_, adapter_);
  Dispatch([this] { core_.StartInstall(core_.zn.Value()); });
  // Refused at once, with its box: no port was open.
  if (starts && journal_.Running() && !core_.OperationRunning()) journal_.End(Outcome::NoPort, core_);
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

void WindowBinding::OpenJournal(const std::function<bool(const std::filesystem::path&)>& open) {
  const std::filesystem::path& file = journal_.File();
  std::error_code ec;
  const std::string where = JournalPathText(file);
  if (!std::filesystem::exists(file, ec)) {
    boxes_.Show(BoxIcon::Information, texts::kJournalMenuItem, "Записей пока нет. Журнал будет здесь: " + where);
  } else if (!open(file)) {
    boxes_.Show(BoxIcon::Error, texts::kErrorCaption, "Журнал не открылся. Откройте файл сами: " + where);
  }
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
  boxes_.Show(BoxIcon::Error, uncaughtCaption_, Error.what());
}

void WindowBinding::ShowOperationTitle() {
  const bool opening = !opening_.empty() && !core_.OperationRunning();
  std::string title = opening ? PortOpeningTitle(opening_) : OperationTitle(core_);
  // Not for a number half typed ("23" reads as 100).
  if (!opening && !core_.OperationRunning() && core_.zn.Text() == std::to_string(core_.zn.Value())) {
    // Looked up when the number changes, not at every refresh.
    if (const std::string& before = journal_.WrittenBeforeText(core_.zn.Value()); !before.empty()) {
      title = before + " — GALT-5R";
    }
  }
  face_.ShowTitle(title);
  titleRefresh_->SetEnabled(core_.OperationRunning());
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
  boxes_.Show(BoxIcon::Error, texts::kErrorCaption, Text);
}

void WindowBinding::ShowOpening(const std::string& Name) {
  opening_ = Name;
  ShowOperationTitle();
}

void WindowBinding::PortLost(const std::string& Name) {
  Dispatch([this, &Name] { core_.LinkLost(Name); });
}

}  // namespace galt
