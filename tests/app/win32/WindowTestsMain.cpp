// The Windows window's tests: common controls are set up as the program
// sets them up, then every test runs.

#include <gtest/gtest.h>

#include "app/win32/WindowsApi.h"

#include <commctrl.h>

#include "tests/support/TestJournal.h"

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  ::testing::InitGoogleTest(&argc, argv);
  galt::testing::UseTestJournal();
  return RUN_ALL_TESTS();
}
