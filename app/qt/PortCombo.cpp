#include "app/qt/PortCombo.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>

#include "app/qt/WindowFonts.h"
#include "frontend/PortTexts.h"

namespace galt {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The full path, and who holds the port or what it is.
QString EntryTip(const TSerPortEntry& e) {
  if (e.Busy) return Q(e.Path + "\n" + BusyText(e));
  return e.Description.empty() ? Q(e.Path) : Q(e.Path + "\n" + e.Description);
}

}  // namespace

TPortCombo::TPortCombo(QWidget* Parent) : QComboBox(Parent) {
  auto* model = new QStandardItemModel(0, 2, this);
  setModel(model);
  setModelColumn(0);
  // Typed text chooses an existing entry at most; it never becomes one.
  setInsertPolicy(QComboBox::NoInsert);
}

QTreeView* TPortCombo::List() {
  if (list_ != nullptr) return list_;
  // Made when first needed: a tree view with its header and scroll bars is
  // most of the field's cost, and the window is shown before anything is
  // listed.
  list_ = new QTreeView(this);
  list_->setHeaderHidden(true);
  list_->setRootIsDecorated(false);
  list_->setAllColumnsShowFocus(true);
  list_->setUniformRowHeights(true);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  setView(list_);
  setModelColumn(0);
  return list_;
}

void TPortCombo::SetEntries(const std::vector<TSerPortEntry>& Entries, const std::string& Select) {
  entries_ = Entries;
  auto* model = static_cast<QStandardItemModel*>(this->model());
  const QSignalBlocker quiet(this);
  model->removeRows(0, model->rowCount());
  int selected = -1;
  for (const TSerPortEntry& e : entries_) {
    auto* name = new QStandardItem(Q(e.Name));
    name->setToolTip(EntryTip(e));
    auto* note = new QStandardItem(Q(EntryNote(e)));
    note->setToolTip(name->toolTip());
    // The name is the field's; the words beside it are quieter, and a busy
    // port's are quieter still.
    QFont plain = font();
    plain.setBold(false);
    note->setFont(plain);
    if (e.Busy) note->setForeground(ColourOf(form::kBusyPortNote));
    if (e.Path == Select) selected = model->rowCount();
    model->appendRow({name, note});
  }
  QTreeView* tree = List();
  tree->resizeColumnToContents(0);
  tree->resizeColumnToContents(1);
  // Wide enough for name and description; the field itself stays narrow.
  const int width = tree->columnWidth(0) + tree->columnWidth(1) + 24;
  tree->setMinimumWidth(width);
  setCurrentIndex(selected);
  ShowSelected();
}

const TSerPortEntry* TPortCombo::Selected() const {
  const int row = currentIndex();
  if (row < 0 || row >= static_cast<int>(entries_.size())) return nullptr;
  return &entries_[static_cast<std::size_t>(row)];
}

void TPortCombo::ShowSelected() {
  const TSerPortEntry* e = Selected();
  if (e == nullptr) {
    setToolTip(QString());
    return;
  }
  const QString shown = Q(e->Name);
  if (lineEdit() != nullptr && lineEdit()->text() != shown) lineEdit()->setText(shown);
  setToolTip(EntryTip(*e));
}

void TPortCombo::showPopup() {
  List();
  if (OnAboutToShowList) OnAboutToShowList();
  QComboBox::showPopup();
}

}  // namespace galt
