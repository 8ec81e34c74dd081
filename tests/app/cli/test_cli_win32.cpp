// galt-loader-cli on Windows: its help names Windows ports, and a port
// another program holds is said to be busy (the port below the backend
// played by FaultyComPort). Its text on a console and in a pipe is checked
// on the real program (tools/cross/wine-cli-check.sh console).

#include <gtest/gtest.h>

#include "FaultyComPort.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CommandLine.h"
#include "sequences/MessageBoxes.h"
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
  EXPECT_TRUE(Has(c.Err(), texts::kPortOpenError + " COM77\nПорт COM77 " + texts::kPortBusyUnknown + ". " +
                               texts::kPortsBusyHintCli))
      << c.Err();
}

}  // namespace
}  // namespace galt::cli::testing
