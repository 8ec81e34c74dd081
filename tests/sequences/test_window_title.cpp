// The window title while an operation runs: its phase, progress and the time
// left, an upper bound that stays close to the time the operation really took.

#include <gtest/gtest.h>

#include <regex>

#include "tests/sequences/Harness.h"

namespace galt {
namespace {

using testing::Harness;

const std::string kIdle = "GALT-5R — загрузчик версии 0211";

TEST(WindowTitle, TimeLeftWhileWritingAndConfirmingIsNeverShortAndWithinTheLaddersSlack) {
  Harness h;
  h.link.latency_ms = 20;  // about 5 s of writing
  std::int64_t end = 0;
  h.boxes.WhileOpen = [&](const auto&) { end = h.clock.Now(); };
  std::vector<std::pair<std::int64_t, std::string>> titles;
  h.core.Button4Click();
  while (!h.Done() && h.clock.Now() < 60000) {
    titles.emplace_back(h.clock.Now(), h.core.WindowTitle());
    h.clock.Advance(10);
  }
  ASSERT_TRUE(h.Done());
  EXPECT_EQ(h.core.WindowTitle(), kIdle);
  const std::regex timeLeft("(загрузка: блок \\d+ из 233,|проверка запуска:) осталось (\\d+) с$");
  int checked = 0;
  for (const auto& [at, title] : titles) {
    std::smatch m;
    if (!std::regex_search(title, m, timeLeft)) continue;
    const std::int64_t shownMs = std::stoll(m[2]) * 1000, realMs = end - at;
    EXPECT_GE(shownMs, realMs) << at << " " << title;
    // The confirmation is counted at its bound, 2.7 s above a first answer.
    EXPECT_LT(shownMs - realMs, 4000) << at << " " << title;
    ++checked;
  }
  EXPECT_GT(checked, 500) << "the install wrote for about 5 s";
}

TEST(WindowTitle, NamesThePhaseAndHowFarItHasGot) {
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
}

}  // namespace
}  // namespace galt
