#include "app/qt/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace galt {

void QtMessageBoxes::Show(BoxIcon icon, const std::string& caption, const std::string& text) {
  // X11 window managers show the program's name for an empty title; a single
  // blank keeps the title bar of the model warning empty.
  const QString title = caption.empty() ? QStringLiteral(" ") : QString::fromStdString(caption);
  QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information, title, QString::fromStdString(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  // Plain text: a box may quote a device's, a file's or a path's text,
  // which Qt would otherwise take for markup when it looks like some.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace galt
