#include "app/qt/WindowFonts.h"

#include <QGuiApplication>
#include <QStringList>

namespace galt {

QFont FontOf(const form::Font& Font, Glyphs Drawn) {
  QFont font;
  font.setFamilies(QStringList{QString::fromUtf8(Font.face), QStringLiteral("DejaVu Sans")});
  font.setPixelSize(Font.px);
  font.setBold(Font.bold);
  if (Drawn == Glyphs::OfCaptions) font.setStyleStrategy(QFont::NoFontMerging);
  return font;
}

TBuildingFont::TBuildingFont(const QFont& Font) : system_(QGuiApplication::font()) { QGuiApplication::setFont(Font); }

TBuildingFont::~TBuildingFont() { QGuiApplication::setFont(system_); }

QColor ColourOf(const form::Colour& Colour) { return QColor(Colour.red, Colour.green, Colour.blue); }

QRect RectOf(const form::Place& Place) { return QRect(Place.left, Place.top, Place.width, Place.height); }

}  // namespace galt
