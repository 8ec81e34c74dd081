// The main of the Qt test executables: one QApplication for the whole run,
// on the offscreen platform unless told otherwise.

#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/TestJournal.h"

int main(int argc, char** argv) {
  // Listing the tests at build time happens without a display.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // Windows open and close test after test; only a test that checks it lets
  // a closed window end the event loop.
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  galt::testing::UseTestJournal();
  return RUN_ALL_TESTS();
}
