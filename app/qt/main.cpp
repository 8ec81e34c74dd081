// The loader: one window, its event loop, nothing read from the command line.

#include <QApplication>

#include "app/qt/Unit1.h"

int main(int argc, char** argv) {
  // Only the program name reaches the toolkit: the loader takes no options.
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  galt::TForm1 form;
  form.ShowCentred();
  return application.exec();
}
