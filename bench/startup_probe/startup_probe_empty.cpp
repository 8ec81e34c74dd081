// The yardstick of the start-up benchmark: the least a Qt Widgets program
// does to show a window of the loader's size.

#include <QApplication>
#include <QWidget>

#include "bench/startup_probe/ReportWhenShown.h"
#include "frontend/FormDesign.h"

int main(int argc, char** argv) {
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  QWidget window;
  window.resize(galt::form::Panel3.place.width, galt::form::Panel3.place.height);
  galt::bench::ReportWhenShown report(window);
  window.show();
  return application.exec();
}
