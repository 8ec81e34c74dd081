// The loader's own start-up, ending as soon as its window is shown.

#include <QApplication>
#include <cstdio>

#include "app/qt/Unit1.h"
#include "bench/startup_probe/ReportWhenShown.h"

namespace {

// The start-up's own work, port scan included, without waiting for a click
// on a box that a machine with no free port would show.
class NoticedBoxes : public galt::MessageBoxes {
 public:
  void Show(galt::BoxIcon, const std::string&, const std::string& text) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  NoticedBoxes boxes;
  galt::TForm1Setup setup;
  setup.boxes = &boxes;
  galt::TForm1 form(setup);
  galt::bench::ReportWhenShown report(form);
  form.ShowCentred();
  return application.exec();
}
