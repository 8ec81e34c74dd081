// The Windows window's install, timed from the press of the install button
// (BN_CLICKED) to the box that confirms it, with the window's own timers,
// hand-over and serial component. Under Wine against galt-emulator --pace
// behind COM5 (tools/cross/wine-bench-window.sh, which sets the time against
// the wire-time bound from the emulator's frame counts).
//
//   bench_window_install [PORT]    PORT: the COM port number, 5 by default

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/win32/MessageLoop.h"
#include "app/win32/Unit1.h"

#include <commctrl.h>

namespace {

// The boxes are printed, not shown: nobody is there to close them.
class PrintedBoxes : public galt::MessageBoxes {
 public:
  void Show(galt::BoxIcon, const std::string& caption, const std::string& text) override {
    std::printf("box [%s]: %s\n", caption.c_str(), text.c_str());
    ++shown;
  }
  int shown = 0;
};

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
  ::InitCommonControlsEx(&controls);
  const int port = argc > 1 ? std::atoi(argv[1]) : 5;

  PrintedBoxes boxes;
  galt::win32::TForm1Setup setup;
  setup.boxes = &boxes;
  setup.ports = galt::TSerPortTable(std::map<int, std::string>{{port, galt::ComDeviceName(port)}});
  galt::win32::TForm1 form(setup);
  form.ShowCentred();
  if (!form.cp1().IsOpen() || boxes.shown != 0) {
    std::fprintf(stderr, "COM%d did not open\n", port);
    return 1;
  }
  galt::OperationEnd end{};
  bool ended = false;
  form.Core().OnEnd = [&](galt::OperationEnd e) {
    end = e;
    ended = true;
  };

  const auto start = std::chrono::steady_clock::now();
  ::SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(galt::win32::kButton4Id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.Button4));
  galt::win32::RunMessagesUntil(&form, [&] { return ended; }, 600000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!ended || end != galt::OperationEnd::Confirmed) {
    std::fprintf(stderr, "the install did not succeed\n");
    return 1;
  }
  std::printf("window install: %.3f s\n", seconds);
  return 0;
}
