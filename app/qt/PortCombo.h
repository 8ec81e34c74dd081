#pragma once
// The port selector's list: one row a port, the short name in the field and
// in the first column, the description or who holds a busy port in the
// second, the full path and the description as the tooltip.

#include <QComboBox>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "ports/PortDiscovery.h"

namespace galt {

class TPortCombo : public QComboBox {
 public:
  explicit TPortCombo(QWidget* Parent = nullptr);

  // Replaces the rows; selects the row whose path is Select (none: -1).
  void SetEntries(const std::vector<TSerPortEntry>& Entries, const std::string& Select);
  const std::vector<TSerPortEntry>& Entries() const { return entries_; }
  // The entry of the selected row, or nothing.
  const TSerPortEntry* Selected() const;
  // Shows the selected row's name in the field (its field form, which the
  // field shows whole) and its path as the tooltip.
  void ShowSelected();

  // Runs before the list opens (the window refreshes it then).
  std::function<void()> OnAboutToShowList;

  void showPopup() override;

 private:
  // The list's view, one row a port in two columns.
  QTreeView* List();

  std::vector<TSerPortEntry> entries_;
  QTreeView* list_ = nullptr;
};

}  // namespace galt
