// The window title while an operation runs: its phase, progress and the time
// left, an upper bound that stays close to the time the operation really took.

#include <gtest/gtest.h>

#include <regex>

#include "tests/sequences/Harness.h"

namespace galt {
namespace {

using testing::Harness;

const std::string kIdle = "GALT-5R — загрузчик версии 0211";

struct Sample {
  std::int64_t at;
  std::string title;
};

// The title every 10 ms of an install until its box.
std::vector<Sample> FollowTitle(Harness& h) {
  std::vector<Sample> samples;
  h.core.Button4Click();
  while (!h.Done() && h.clock.Now() < 60000) {
    samples.push_back({h.clock.Now(), h.core.WindowTitle()});
    h.clock.Advance(10);
  }
  return samples;
}

std::string Phase(const std::string& title) { return title.substr(0, title.find(':')); }

TEST(WindowTitle, FollowsTheInstallWithATimeLeftThatIsNeverShort) {
  Harness h;
  h.link.latency_ms = 20;  // about 5 s of writing
  EXPECT_EQ(h.core.WindowTitle(), kIdle);
  const auto samples = FollowTitle(h);
  ASSERT_TRUE(h.Done());
  const std::int64_t end = h.clock.Now();
  EXPECT_EQ(h.core.WindowTitle(), kIdle);

  std::vector<std::string> phases;
  int lastBlock = 0;
  const std::regex timeLeft("осталось (\\d+) с$"), block("блок (\\d+) из 233");
  for (const Sample& s : samples) {
    if (phases.empty() || phases.back() != Phase(s.title)) phases.push_back(Phase(s.title));
    std::smatch m;
    if (std::regex_search(s.title, m, block)) {
      EXPECT_GE(std::stoi(m[1]), lastBlock) << s.title;
      lastBlock = std::stoi(m[1]);
    }
    // Past deactivation, whose bound is that of its own retries, the time
    // left covers the rest of the install.
    if (phases.size() < 2 || !std::regex_search(s.title, m, timeLeft)) continue;
    const std::int64_t shownMs = std::stoll(m[1]) * 1000, realMs = end - s.at;
    EXPECT_GE(shownMs, realMs) << s.at << " " << s.title;
    // The confirmation is counted at its bound, 2.7 s above a first answer.
    EXPECT_LT(shownMs - realMs, 4000) << s.at << " " << s.title;
  }
  EXPECT_EQ(phases, (std::vector<std::string>{"GALT-5R — деактивизация", "GALT-5R — загрузка",
                                              "GALT-5R — проверка запуска"}));
  EXPECT_EQ(lastBlock, 233);
}

TEST(WindowTitle, ShowsEachPhaseAndReturnsAfterAFailure) {
  Harness h;
  h.device.faults.silent = true;
  h.core.Button4Click();
  EXPECT_EQ(h.core.WindowTitle(), "GALT-5R — деактивизация: попытка 1 из 201, осталось 11 с");
  h.clock.Advance(2000);
  EXPECT_EQ(h.core.WindowTitle(), "GALT-5R — деактивизация: попытка 41 из 201, осталось 9 с");
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.core.WindowTitle(), kIdle);

  Harness g;  // no pace is known before the first echo
  g.device.faults.stopEchoAtBlock = 0;
  g.core.Button4Click();
  g.clock.Advance(5);
  EXPECT_EQ(g.core.WindowTitle(), "GALT-5R — загрузка: блок 1 из 233");

  Harness f;  // a ladder left at 800 ms by a failure has 0.8 s to run
  f.device.faults.answerQueryNumber = 0;
  f.core.Button4Click();
  ASSERT_TRUE(f.RunToBox());
  f.core.deactiveClick();
  f.clock.RunUntil([&] { return f.core.Timer3->Enabled(); }, 60000);
  EXPECT_EQ(f.core.WindowTitle(), "GALT-5R — проверка запуска: осталось 1 с");
}

}  // namespace
}  // namespace galt
