// The loader: one window and its event loop; the command line only asks for
// the help or the version, which are answered without a window, and names
// the line trace's file.

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/qt/StopSignals.h"
#include "app/qt/Unit1.h"
#include "frontend/FilePath.h"
#include "frontend/WindowOptions.h"
#include "records/Environment.h"

namespace {

// Qt aborts in English without a display; the user is told in Russian
// instead, before Qt is asked.
bool GraphicalSession() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (galt::EnvironmentValue(name)) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = "galt-loader";
  const galt::WindowOptions options = galt::ParseWindowOptions(std::vector<std::string>(argv + (argc > 0), argv + argc));
  switch (options.action) {
    case galt::WindowAction::Help:
      std::fputs(galt::WindowHelp(program).c_str(), stdout);
      return galt::kWindowExitOk;
    case galt::WindowAction::Version:
      std::fputs(galt::ProgramVersion(program).c_str(), stdout);
      return galt::kWindowExitOk;
    case galt::WindowAction::Usage:
      std::fputs(galt::WindowUsageError(program, options.error).c_str(), stderr);
      return galt::kWindowExitUsage;
    case galt::WindowAction::OpenWindow:
      break;
  }
  if (!GraphicalSession()) {
    std::fputs(galt::NoDisplayText(program).c_str(), stderr);
    return galt::kWindowExitNoDisplay;
  }
  // Only the program name reaches the toolkit: its own options are not ours.
  int toolkit_argc = argc > 0 ? 1 : 0;
  QApplication application(toolkit_argc, argv);
  // The desktop entry's name: the shell shows the entry's icon and name for
  // the window.
  QGuiApplication::setDesktopFileName(QStringLiteral(GALT_APP_ID));
  galt::TForm1Setup setup;
  if (options.trace) setup.trace = galt::FilePath(*options.trace);
  if (options.journal) setup.journal = galt::FilePath(*options.journal);
  galt::TForm1 form(setup);
  const galt::TStopSignals stop(form);
  form.ShowCentred();
  return application.exec();
}
