#pragma once
// A horizontal progress gauge painting a GaugeValue: a black bar on white in
// a one-pixel frame, with the shown percentage centred over it in inverted
// colours. It repaints only when the shown percentage changes.

#include <QWidget>

#include "sequences/Controls.h"

namespace galt {

class TGauge : public QWidget {
 public:
  explicit TGauge(GaugeValue& value, QWidget* parent = nullptr);
  ~TGauge() override;

  GaugeValue& Value() { return value_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  GaugeValue& value_;
};

}  // namespace galt
