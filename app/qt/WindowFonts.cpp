#include "app/qt/WindowFonts.h"

#include <QStringList>

namespace galt {

namespace {

QFont WithFallback(const QString& family, int pixel_size, bool bold) {
  QFont font;
  font.setFamilies(QStringList{family, QStringLiteral("DejaVu Sans")});
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

}  // namespace

QFont DialogFont(int pixel_size, bool bold) {
  return WithFallback(QStringLiteral("MS Sans Serif"), pixel_size, bold);
}

QFont ArialFont(int pixel_size, bool bold) { return WithFallback(QStringLiteral("Arial"), pixel_size, bold); }

}  // namespace galt
