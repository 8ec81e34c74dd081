// The progress gauges as painted: bar length from the truncated percentage,
// the caption inverted over the bar, and repaints only on a new percentage.

#include <QImage>
#include <QPixmap>

#include "app/qt/TGauge.h"
#include "tests/app/qt/FormFixture.h"

namespace galt::testing {
namespace {

bool IsBlack(QRgb p) { return qGray(p) < 64; }
bool IsWhite(QRgb p) { return qGray(p) > 192; }

// Length of the black bar along the first inner row, where the caption never
// reaches.
int BarPixels(const QImage& image) {
  int n = 0;
  while (n + 1 < image.width() - 1 && IsBlack(image.pixel(1 + n, 1))) ++n;
  return n;
}

int CountIn(const QImage& image, QRect area, bool (*test)(QRgb)) {
  int n = 0;
  area &= image.rect().adjusted(1, 1, -1, -1);
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += test(image.pixel(x, y));
  return n;
}

class GaugeTest : public FormTest {
 protected:
  QImage Paint(TGauge* gauge) { return gauge->grab().toImage(); }
};

TEST_F(GaugeTest, BarFollowsTheTruncatedPercentageOfTheLoadGauge) {
  // Gauge2: 0..240, 193 wide, so 191 pixels inside the frame.
  struct Case {
    int progress, percent, bar;
  };
  for (const Case c : {Case{0, 0, 0}, Case{120, 50, 95}, Case{235, 97, 185}, Case{240, 100, 191},
                       Case{1000, 100, 191}, Case{-5, 0, 0}}) {
    form.Core().Gauge2.SetProgress(c.progress);
    EXPECT_EQ(form.Core().Gauge2.Percent(), c.percent) << c.progress;
    const QImage image = Paint(form.Gauge2);
    EXPECT_EQ(BarPixels(image), c.bar) << c.progress;
    EXPECT_TRUE(IsBlack(image.pixel(0, 0)) && IsBlack(image.pixel(image.width() - 1, image.height() - 1)))
        << "one-pixel frame";
  }
}

TEST_F(GaugeTest, DeactivationGaugeShowsItsProgressAsThePercentage) {
  // Gauge1: 0..100, 151 pixels inside the frame.
  form.Core().Gauge1.SetProgress(37);
  EXPECT_EQ(BarPixels(Paint(form.Gauge1)), 151 * 37 / 100);
  form.Core().Gauge1.SetProgress(0);
  const QImage empty = Paint(form.Gauge1);
  EXPECT_EQ(BarPixels(empty), 0);
  EXPECT_EQ(CountIn(empty, QRect(1, 1, 20, 15), IsBlack), 0) << "no bar at 0%";
  EXPECT_GT(CountIn(empty, QRect(60, 3, 33, 11), IsBlack), 10) << "the caption reads dark on white";
}

TEST_F(GaugeTest, CaptionIsInvertedWhereTheBarLiesUnderIt) {
  form.Core().Gauge2.SetProgress(120);  // 50%: the bar ends under the middle of "50%"
  const QImage half = Paint(form.Gauge2);
  const int end = 1 + BarPixels(half);
  EXPECT_GT(CountIn(half, QRect(end - 14, 3, 14, 11), IsWhite), 5) << "light caption on the bar";
  EXPECT_GT(CountIn(half, QRect(end, 3, 14, 11), IsBlack), 5) << "dark caption on the ground";

  form.Core().Gauge2.SetProgress(240);
  const QImage full = Paint(form.Gauge2);
  EXPECT_GT(CountIn(full, QRect(80, 3, 33, 11), IsWhite), 10) << "100% reads light on the full bar";
}

TEST_F(GaugeTest, RepaintsOnlyWhenTheShownPercentageChanges) {
  ShowActive();
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint;
      return false;
    }
  } counter;
  form.Gauge2->installEventFilter(&counter);
  QTest::qWait(50);
  counter.paints = 0;

  form.Core().Gauge2.SetProgress(120);  // 0% -> 50%
  EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }, 2000));
  EXPECT_EQ(counter.paints, 1);
  form.Core().Gauge2.SetProgress(121);  // still 50%
  form.Core().Gauge2.SetProgress(122);
  QTest::qWait(50);
  EXPECT_EQ(counter.paints, 1);
  form.Core().Gauge2.SetProgress(123);  // 51%
  EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 1; }, 2000));
  EXPECT_EQ(counter.paints, 2);
}

}  // namespace
}  // namespace galt::testing
