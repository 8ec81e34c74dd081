// Command-line parsing of galt-emulator.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "tools/galt-emulator/Options.h"

namespace galt::emucli {
namespace {

TEST(EmulatorOptions, EveryKnobReachesTheFaults) {
  const auto r = ParseOptions({"--silent", "--ack-deactivation-from", "3", "--short-deactivation-ack",
                               "--short-activation-ack", "--stop-echo-at", "10", "--corrupt-echo-at=4",
                               "--answer-query", "0", "--model", "255", "--wrong-sum", "--noise", "5",
                               "--split", "3", "--glue", "--unplug-at", "7", "--serial=300", "--pace", "--quiet", "--link", "/tmp/x"});
  ASSERT_EQ(r.error, "");
  const auto& f = r.options.faults;
  EXPECT_TRUE(f.silent);
  EXPECT_EQ(f.ackDeactivationFrom, 3);
  EXPECT_TRUE(f.shortDeactivationAck);
  EXPECT_TRUE(f.shortActivationAck);
  EXPECT_EQ(f.stopEchoAtBlock, 10);
  EXPECT_EQ(f.corruptEchoAtBlock, 4);
  EXPECT_EQ(f.answerQueryNumber, 0);
  EXPECT_EQ(f.model, 255);
  EXPECT_TRUE(f.wrongSum);
  EXPECT_EQ(f.noiseBytes, 5);
  EXPECT_EQ(f.splitPieces, 3);
  EXPECT_TRUE(f.glueSecondReply);
  EXPECT_EQ(f.unplugAtBlock, 7);
  EXPECT_EQ(r.options.serial, 300);
  EXPECT_TRUE(r.options.pace);
  EXPECT_TRUE(r.options.quiet);
  EXPECT_EQ(r.options.link, "/tmp/x");
}

TEST(EmulatorOptions, RejectsWhatItCannotUse) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--model", "256"}, {"--model", "-1"}, {"--split", "0"}, {"--noise", "12x"}, {"--serial", ""},
           {"--ack-deactivation-from", "0"}, {"--stop-echo-at", "99999999999"}, {"--link"}, {"--link="},
           {"--glue=yes"}, {"--unknown"}, {"-v"}, {"--"}, {"stray"}})
    EXPECT_NE(ParseOptions(args).error, "") << args[0];
}

// The manual page is written by hand: it must not fall behind --help.
TEST(EmulatorOptions, ManualPageDescribesEveryOption) {
  std::ifstream in(GALT_EMULATOR_MAN_PAGE);
  ASSERT_TRUE(in) << GALT_EMULATOR_MAN_PAGE;
  std::stringstream text;
  text << in.rdbuf();
  const std::string page = std::regex_replace(text.str(), std::regex(R"(\\-)"), "-");

  std::istringstream usage(Usage("galt-emulator"));
  int options = 0;
  for (std::string line; std::getline(usage, line);) {
    std::smatch option;
    if (!std::regex_search(line, option, std::regex("^  (--[a-z-]+)"))) continue;
    ++options;
    EXPECT_TRUE(std::regex_search(page, std::regex("\\n\\.BI? " + option[1].str() + "[ \\n]"))) << option[1];
  }
  EXPECT_GT(options, 10);
}

}  // namespace
}  // namespace galt::emucli
