#include "app/qt/TGauge.h"

#include <QPainter>
#include <algorithm>

namespace galt {

TGauge::TGauge(GaugeValue& value, QWidget* parent) : QWidget(parent), value_(value) {
  value_.OnPercentChange = [this] { update(); };
}

TGauge::~TGauge() { value_.OnPercentChange = nullptr; }

void TGauge::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::white);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));

  const QRect inner = rect().adjusted(1, 1, -1, -1);
  const int percent = value_.Percent();
  const int filled = std::clamp(inner.width() * percent / 100, 0, inner.width());
  const QRect bar(inner.left(), inner.top(), filled, inner.height());
  const QRect ground(inner.left() + filled, inner.top(), inner.width() - filled, inner.height());
  if (filled >= 1) painter.fillRect(bar, Qt::black);

  // The text in black over the white ground and in white over the bar reads
  // as one inverted caption.
  const QString text = QString::asprintf("%d%%", percent);
  painter.setFont(font());
  painter.setClipRect(ground);
  painter.drawText(inner, Qt::AlignCenter, text);
  if (filled >= 1) {
    painter.setClipRect(bar);
    painter.setPen(Qt::white);
    painter.drawText(inner, Qt::AlignCenter, text);
  }
}

}  // namespace galt
