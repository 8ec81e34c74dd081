// galt-loader-cli on Windows: its help names Windows ports, a port another
// program holds is said to be busy (the port below the backend played by
// FaultyComPort), the console's events stop it. Its text on a console and in
// a pipe, and UTF-16 file names, are checked on the real program
// (tools/cross/wine-cli-check.sh console, unicode).

#include <gtest/gtest.h>

#include <chrono>

#include "FaultyComPort.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CommandLine.h"
#include "app/cli/Console.h"
#include "tests/app/cli/CapturedConsole.h"

namespace galt::cli::testing {
namespace {

bool Has(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }

TEST(CliWindows, HelpGivesWindowsExamples) {
  const std::string help = CliUsage("galt-loader-cli");
  EXPECT_TRUE(Has(help, "galt-loader-cli --port COM5 --serial 237\n")) << help;
  EXPECT_FALSE(Has(help, "/dev/")) << help;
}

TEST(CliWindows, APortAnotherProgramHoldsIsSaidToBeBusy) {
  galt::test::FaultyComPort port;
  port.OpenError = ERROR_ACCESS_DENIED;
  CapturedConsole c;
  const int code = RunCommandLine("galt-loader-cli", {"--port", "COM77", "--serial", "237"}, c.console,
                                  TSerPortTable::System(), {});
  EXPECT_EQ(code, kExitPort);
  EXPECT_EQ(c.Err(), "Порт COM77 занят другой программой (ошибка 5). Закройте эту программу или укажите другой порт.\n");
}

TEST(CliWindows, ConsoleEventsAskForAStopAndAClosingConsoleHoldsTheProcessForTheRun) {
  using namespace std::chrono_literals;
  for (const DWORD event : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT, CTRL_SHUTDOWN_EVENT}) {
    CatchStopRequests();
    ASSERT_FALSE(StopRequested());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(OnConsoleEvent(event, 300ms)) << event;
    const bool held = std::chrono::steady_clock::now() - start >= 280ms;
    EXPECT_TRUE(StopRequested()) << event;
    // After Ctrl+C and Ctrl+Break the process goes on; after the others it
    // ends as the handler returns, so the handler waits for the run.
    EXPECT_EQ(held, event == CTRL_CLOSE_EVENT || event == CTRL_SHUTDOWN_EVENT) << event;
  }
}

TEST(CliWindows, TheSessionsEndAsksForAStopAsTheConsolesEventsDo) {
  CatchStopRequests();
  const HWND window = ::FindWindowW(kSessionWindowClass, nullptr);
  ASSERT_NE(window, nullptr) << "a hidden window hears the session's end";
  DWORD_PTR allowed = FALSE;
  ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 2000, &allowed);
  EXPECT_EQ(allowed, static_cast<DWORD_PTR>(TRUE)) << "the session may end";
  EXPECT_FALSE(StopRequested()) << "the run goes on until it does";
  ::PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  for (int i = 0; i < 500 && !StopRequested(); ++i) ::Sleep(10);
  EXPECT_TRUE(StopRequested());
}

}  // namespace
}  // namespace galt::cli::testing
