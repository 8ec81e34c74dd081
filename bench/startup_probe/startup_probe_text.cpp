// A second yardstick: the empty window plus one line of text. Drawing any
// text makes Qt load the system's font configuration; this probe shows how
// much of a window's start-up that alone costs.

#include <QApplication>
#include <QLabel>
#include <QWidget>

#include "bench/startup_probe/ReportWhenShown.h"
#include "frontend/FormDesign.h"

int main(int argc, char** argv) {
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  QWidget window;
  window.resize(galt::form::Panel3.place.width, galt::form::Panel3.place.height);
  QLabel text(QString::fromUtf8(galt::form::Button4.caption), &window);
  text.move(80, 80);
  galt::bench::ReportWhenShown report(window);
  window.show();
  return application.exec();
}
