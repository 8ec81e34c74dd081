// The window title while an operation runs: its phase, progress and the time
// left, an upper bound that stays close to the time the operation really took.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "frontend/ProgressText.h"
#include "records/UntrustedText.h"
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
    titles.emplace_back(h.clock.Now(), OperationTitle(h.core));
    h.clock.Advance(10);
  }
  ASSERT_TRUE(h.Done());
  EXPECT_EQ(OperationTitle(h.core), kIdle);
  const std::regex timeLeft("^№ 100 · (\\d+/233|проверка запуска) · (\\d+) с — GALT-5R$");
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
  EXPECT_EQ(OperationTitle(h.core), "№ 100 · останов 1/201 · 11 с — GALT-5R");
  h.clock.Advance(2000);
  EXPECT_EQ(OperationTitle(h.core), "№ 100 · останов 41/201 · 9 с — GALT-5R");
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(OperationTitle(h.core), kIdle);

  Harness g;  // no pace is known before the first echo
  g.device.faults.stopEchoAtBlock = 0;
  g.core.Button4Click();
  g.clock.Advance(5);
  EXPECT_EQ(OperationTitle(g.core), "№ 100 · 1/233 — GALT-5R");
}

TEST(WindowTitle, EveryPhaseFitsATitleBarWithTheSerialNumberFirst) {
  // The longest each phase can be: the highest serial number, the last
  // attempt, the last block at the slowest pace, the ladder's first step.
  std::vector<std::string> titles;
  for (const bool silent : {true, false}) {
    Harness h;
    h.core.zn.SetValue(350);
    h.device.faults.silent = silent;
    h.device.faults.ackDeactivationFrom = 150;
    h.link.latency_ms = 499;  // about a second a block
    h.core.Button4Click();
    while (!h.Done() && h.clock.Now() < 400000) {
      titles.push_back(OperationTitle(h.core));
      h.clock.Advance(h.core.Timer4->Enabled() ? 200 : 10);
    }
    ASSERT_TRUE(h.Done());
  }
  std::set<std::string> phases;
  for (const std::string& title : titles) {
    EXPECT_LE(Utf8Characters(title), 40u) << title;
    EXPECT_EQ(title.rfind("№ 350 · ", 0), 0u) << title;
    phases.insert(title.find("останов") != std::string::npos ? "stop"
                  : title.find("проверка") != std::string::npos ? "confirm" : "write");
  }
  EXPECT_EQ(phases.size(), 3u);
  EXPECT_NE(std::find(titles.begin(), titles.end(), "№ 350 · останов 201/201 · 1 с — GALT-5R"), titles.end());
}

}  // namespace
}  // namespace galt
