// The loader's own start-up, ending as soon as its window is shown.

#include <QApplication>

#include "app/Unit1.h"
#include "bench/startup_probe/ReportWhenShown.h"

int main(int argc, char** argv) {
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  galt::TForm1 form;
  galt::bench::ReportWhenShown report(form);
  form.ShowCentred();
  return application.exec();
}
