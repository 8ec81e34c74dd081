// Shows the loader's window on a real X server (run under xvfb-run), saves a
// PNG of it and checks what a user would see first: the client area is
// the design's size, and the install button's Cyrillic caption is drawn in
// real glyphs.
//
//   app_window_screenshot <output.png>

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

#include "app/qt/Unit1.h"
#include "frontend/FormDesign.h"

namespace {

int failures = 0;

// A box would wait for a click that never comes: print it instead.
class PrintedBoxes : public galt::MessageBoxes {
 public:
  void Show(galt::BoxIcon, const std::string& caption, const std::string& text) override {
    std::printf("box [%s]: %s\n", caption.c_str(), text.c_str());
  }
};

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.png>\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

  // The machine's own ports (a console, none at all) must not change the
  // picture: the window starts over an empty port table.
  PrintedBoxes boxes;
  galt::TForm1Setup setup;
  setup.boxes = &boxes;
  setup.ports = galt::TSerPortTable(std::map<int, std::string>{});
  galt::TForm1 form(setup);
  form.ShowCentred();
  if (!QTest::qWaitForWindowExposed(&form)) {
    std::fprintf(stderr, "the window was never exposed\n");
    return 1;
  }
  QTest::qWait(300);  // let the X server finish drawing

  const QImage shot = form.screen()->grabWindow(form.winId()).toImage();
  Check(shot.save(QString::fromLocal8Bit(argv[1])), "screenshot saved");
  std::printf("client area %dx%d, grab %dx%d\n", form.width(), form.height(), shot.width(), shot.height());
  const QSize designed(galt::form::Panel3.place.width, galt::form::Panel3.place.height);
  Check(form.size() == designed, "the client area is the design's size");
  Check(shot.size() == designed, "the window on screen is the design's size");

  // Every glyph of the caption exists in the font used (missing ones would be
  // drawn as boxes), and the caption fits the button.
  const QString caption = form.Button4->text();
  const QFontMetrics metrics(form.Button4->font());
  std::printf("button font: %s %dpx\n", qPrintable(QFontInfo(form.Button4->font()).family()),
              QFontInfo(form.Button4->font()).pixelSize());
  bool all_glyphs = !caption.isEmpty();
  for (const QChar c : caption) all_glyphs = all_glyphs && metrics.inFontUcs4(c.unicode());
  Check(all_glyphs, "every character of the install button's caption has a glyph");
  const int text_width = metrics.horizontalAdvance(caption);
  std::printf("caption %d px wide in a %d px button\n", text_width, form.Button4->width());
  Check(text_width < form.Button4->width() - 4, "the caption fits the button");

  // The caption was really drawn: dark pixels spread over the text's width
  // in the middle of the button.
  const QRect button(form.Button4->mapTo(&form, QPoint(0, 0)), form.Button4->size());
  int dark = 0, left = button.right(), right = button.left();
  for (int y = button.top() + 3; y <= button.bottom() - 3; ++y) {
    for (int x = button.left() + 3; x <= button.right() - 3; ++x) {
      if (qGray(shot.pixel(x, y)) < 96) {
        ++dark;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  std::printf("button: %d dark pixels from x=%d to x=%d\n", dark, left, right);
  Check(dark > 150, "the caption left dark pixels on the button");
  Check(right - left + 1 >= text_width * 9 / 10, "the drawn caption spans the width of its text");

  std::printf("%s\n", failures == 0 ? "all checks passed" : "some checks failed");
  return failures == 0 ? 0 : 1;
}
