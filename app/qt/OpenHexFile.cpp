// The service panel's open-file button: choose an Intel HEX file and import
// it into the image. A cancelled dialog changes nothing.

#include <QFileDialog>

#include "app/qt/Unit1.h"
#include "image/HexImport.h"

namespace galt {

void TForm1::open_fileClick() {
  QFileDialog OpenDialog1(this);
  OpenDialog1.setFileMode(QFileDialog::ExistingFile);
  OpenDialog1.setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog1.setNameFilter(QStringLiteral("%1 (%2)").arg(QString::fromUtf8(kHexFilterDescription.data(),
                                                                            static_cast<int>(kHexFilterDescription.size())),
                                                           QString::fromUtf8(kHexFilterPattern.data(),
                                                                             static_cast<int>(kHexFilterPattern.size()))));
  OpenDialog1.setDefaultSuffix(
      QString::fromUtf8(kHexDefaultExtension.data(), static_cast<int>(kHexDefaultExtension.size())));
  if (OpenDialog1.exec() != QDialog::Accepted || OpenDialog1.selectedFiles().isEmpty()) return;
  const std::string path = OpenDialog1.selectedFiles().constFirst().toStdString();
  binding_->Dispatch([this, &path] { Core().OpenHexFile(path); });
}

}  // namespace galt
