#include "app/qt/Unit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QUrl>
#include <QKeyEvent>
#include <QShowEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QLineEdit>
#include <QWindow>

#include "app/qt/PortCombo.h"
#include "app/qt/PortWatch.h"
#include "app/qt/QtMessageBoxes.h"
#include "app/qt/QtTimers.h"
#include "app/qt/TGauge.h"
#include "app/qt/TSpinEdit.h"
#include "app/qt/WindowFonts.h"
#include "app/qt/galt-loader.xpm"
#include "frontend/ProgressText.h"
#include "records/JournalFile.h"
#include "serial/qt/QtDispatcher.h"

namespace galt {

namespace {

// The design's font, text colour (in Role), place and spoken name; a length
// of 0 is the content's.
void Lay(QWidget* widget, const form::Control& design, QPalette::ColorRole role = QPalette::WindowText,
         Glyphs drawn = Glyphs::OfCaptions) {
  widget->setFont(FontOf(design.font, drawn));
  if (design.colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, ColourOf(*design.colour));
    widget->setPalette(palette);
  }
  const form::Place& p = design.place;
  widget->move(p.left, p.top);
  if (p.width > 0 && p.height > 0) {
    widget->resize(p.width, p.height);
  } else if (design.caption != nullptr && *design.caption == '\0' && p.width == 0 && p.height == 0) {
    // A caption with no text yet (the verify caption) takes no room, and its
    // font is not loaded before the window shows; its text brings its size.
    widget->resize(0, 0);
  } else {
    const QSize hint = widget->sizeHint();
    widget->resize(p.width > 0 ? p.width : hint.width(), p.height > 0 ? p.height : hint.height());
  }
  if (design.spokenName) {
    // Read as the name on Windows and for most widgets; AT-SPI names an
    // editable combo box after its label instead, so it gets one nobody sees.
    widget->setAccessibleName(QString::fromUtf8(design.spokenName));
    auto* label = new QLabel(widget->accessibleName(), widget->parentWidget());
    label->setBuddy(widget);
    label->hide();
  }
}

QLabel* Label(const form::Control& design, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(design.caption), parent);
  Lay(label, design);
  return label;
}

}  // namespace

struct TForm1::OwnServices {
  QtTimerSource timers;
  QtMessageBoxes boxes;
  // The dispatcher outlives cp1, whose worker threads hand deliveries to it.
  TSerQtDispatcher dispatcher;
};

TForm1::TForm1() : TForm1(TForm1Setup{}) {}

TForm1::TForm1(const TForm1Setup& setup)
    : scanPorts_(setup.scanPorts),
      own_(std::make_unique<OwnServices>()),
      binding_(std::make_unique<WindowBinding>(
          static_cast<WindowFace&>(*this), setup,
          ToolkitServices{own_->timers, own_->boxes, own_->dispatcher,
                          QGuiApplication::applicationDisplayName().toStdString()})) {
  BuildControls();
  BindEvents();
  FormCreate();
}

TForm1Setup TForm1::WithoutPorts(TimerSource& timers, MessageBoxes& boxes, SerialText& port,
                                 const MonotonicClock* clock) {
  TForm1Setup setup;
  setup.timers = &timers;
  setup.boxes = &boxes;
  setup.port = &port;
  setup.clock = clock;
  setup.ports = TSerPortTable(std::map<int, std::string>{});
  setup.scanPorts = false;
  return setup;
}

TForm1::TForm1(TimerSource& timers, MessageBoxes& boxes, SerialText& port, const MonotonicClock* clock)
    : TForm1(WithoutPorts(timers, boxes, port, clock)) {}

TSerComm& TForm1::cp1() { return binding_->cp1(); }

TForm1::~TForm1() {
  // The controls go before the state they show.
  delete Panel3;
  Panel3 = nullptr;
}

void TForm1::BuildControls() {
  setWindowTitle(QString::fromStdString(OperationTitle(Core())));
  setWindowIcon(QIcon(QPixmap(galt_loader_xpm)));
  // System menu and minimise; no maximise, and the size is fixed.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  const TBuildingFont building(FontOf(form::Panel3.font));
  setFont(FontOf(form::Panel3.font));
  setFixedSize(form::Panel3.place.width, form::Panel3.place.height);

  Panel3 = new QFrame(this);
  Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel3->setGeometry(RectOf(form::Panel3.place));

  cmbPorts = new TPortCombo(Panel3);
  cmbPorts->setEditable(true);
  cmbPorts->setEditText(QString::fromUtf8(form::cmbPorts.caption));
  Lay(cmbPorts, form::cmbPorts, QPalette::Text, Glyphs::AnyText);

  zn = new TSpinEdit(Core().zn, Panel3);
  Lay(zn, form::zn, QPalette::Text);

  sized1 = Label(form::sized1, Panel3);
  Label1 = Label(form::Label1, Panel3);
  Gauge1 = new TGauge(Core().Gauge1, Panel3);
  Lay(Gauge1, form::Gauge1);
  Label2 = Label(form::Label2, Panel3);
  Gauge2 = new TGauge(Core().Gauge2, Panel3);
  Lay(Gauge2, form::Gauge2);

  Button4 = new QPushButton(QString::fromUtf8(form::Button4.caption), Panel3);
  Lay(Button4, form::Button4);
  // Enter presses the focused button, as Space does: Qt passes Enter on to
  // auto-default buttons only. Outside a dialog such a button is the default
  // only while it holds the focus, and is drawn so: the focus is visible.
  Button4->setAutoDefault(true);
  Button4->installEventFilter(this);

  // Keyboard focus cycles the three controls of the install panel only.
  setTabOrder(Button4, zn);
  setTabOrder(zn, cmbPorts);
  Button4->setFocus();
}

void TForm1::BindEvents() {
  // The click takes the focus on the press, so the serial number has been
  // brought into its range before the install reads it.
  connect(Button4, &QPushButton::clicked, this, [this] { binding_->Button4Click(); });
  // Choosing an entry (the open one included) reopens the link; the
  // program's own selection does not. Typed text only chooses an entry it
  // names, on Enter; half-typed text never closes the working port.
  connect(cmbPorts, &QComboBox::activated, this, [this] {
    cmbPortsChange();
    cmbPorts->ShowSelected();
    // The name shows from its start, however narrow the field.
    cmbPorts->lineEdit()->setCursorPosition(0);
  });
  connect(cmbPorts->lineEdit(), &QLineEdit::returnPressed, this, [this] { PortTextEntered(); });
  connect(cmbPorts->lineEdit(), &QLineEdit::editingFinished, this, [this] { cmbPorts->ShowSelected(); });
  cmbPorts->OnAboutToShowList = [this] {
    if (scanPorts_) RefreshPorts();
  };
  // The title says whether the number in the field was written before.
  connect(zn->findChild<QLineEdit*>(), &QLineEdit::textChanged, this, [this] { binding_->SerialFieldChanged(); });
  // The window's context menu opens the install journal.
  auto* journal = new QAction(QString::fromStdString(texts::kJournalMenuItem), this);
  connect(journal, &QAction::triggered, this, [this] {
    binding_->OpenJournal([](const std::filesystem::path& file) {
      return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(JournalPathText(file))));
    });
  });
  addAction(journal);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TForm1::FormCreate() {
  // The window shows first: the port scan, the open of a port and the port
  // watch wait until it is painted.
  binding_->FormCreate(WindowBinding::PortStart::WhenShown);
}

void TForm1::WindowShown() {
  if (closed_) return;
  if (scanPorts_) {
    // Watching first: a port plugged in while the start-up box is open is
    // taken as the box closes.
    portWatch_ = new TPortWatch(cp1().PortTable(), this);
    portWatch_->OnChange = [this] { binding_->PortsMayHaveChanged(); };
  }
  binding_->WindowShown();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // The first expose paints the window; what waited for it comes after.
  windowHandle()->installEventFilter(this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
    windowHandle()->removeEventFilter(this);
    // Queued: the expose paints the window first.
    QTimer::singleShot(0, this, [this] { WindowShown(); });
    return false;
  }
  // A held Enter key repeats: it would dismiss each error box and press the
  // install button again, looping installs.
  if (watched == Button4 && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat() && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::FormClose() {
  // A closed window neither follows nor opens ports any more.
  closed_ = true;
  delete portWatch_;
  portWatch_ = nullptr;
  binding_->FormClose();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  QWidget::closeEvent(event);
}

void TForm1::cp1RxChar(int count) {
  binding_->cp1RxChar(count);
}

void TForm1::ShowCentred() {
  const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
  if (where) setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), where->availableGeometry()));
  show();
}

void TForm1::ShowTitle(const std::string& Title) { setWindowTitle(QString::fromStdString(Title)); }

void TForm1::ShowSized1(const std::string& Caption) {
  sized1->setText(QString::fromStdString(Caption));
  sized1->adjustSize();
}

}  // namespace galt
