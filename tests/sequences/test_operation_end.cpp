// How an operation ended, as the core tells the front ends: one end per
// operation, before its box with its text and after it, whatever the device
// did.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/sequences/Harness.h"

namespace galt::testing {
namespace {

struct EndCase {
  const char* name;
  std::function<void(emu::Faults&)> fault;
  OperationEnd end;
};

const EndCase kEnds[] = {
    {"HealthyDevice", [](emu::Faults&) {}, OperationEnd::Confirmed},
    {"SilentDevice", [](emu::Faults& f) { f.silent = true; }, OperationEnd::DeactivationFailed},
    {"EchoStops", [](emu::Faults& f) { f.stopEchoAtBlock = 17; }, OperationEnd::EchoMissing},
    {"EchoCorrupt", [](emu::Faults& f) { f.corruptEchoAtBlock = 5; }, OperationEnd::WriteRejected},
    {"QueriesUnanswered", [](emu::Faults& f) { f.answerQueryNumber = 0; }, OperationEnd::ConfirmationMissing},
    {"AnotherModel", [](emu::Faults& f) { f.model = 7; }, OperationEnd::DeactivationFailed},
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class InstallEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(InstallEnd, IsToldOnceBeforeAndAfterItsBox) {
  Harness h;
  GetParam().fault(h.device.faults);
  std::vector<OperationEnd> ends;
  std::vector<std::size_t> boxesBefore;
  std::vector<std::pair<std::size_t, std::string>> ending;  // boxes before it, the text to come
  bool anotherModel = false;
  h.core.OnEnding = [&](const OperationEnding& e, const std::string& text) {
    ending.emplace_back(h.boxes.boxes.size(), text);
    anotherModel = e.anotherModelAnswered;
  };
  h.core.OnEnd = [&](const OperationEnding& e) {
    ends.push_back(e);
    boxesBefore.push_back(h.boxes.boxes.size());
  };
  h.core.Button4Click();
  ASSERT_TRUE(h.clock.RunUntil([&] { return !ends.empty(); }, 60000));
  h.clock.Advance(10000);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(ends[0], GetParam().end);
  EXPECT_EQ(boxesBefore[0], h.boxes.boxes.size()) << "the end comes after its box";
  ASSERT_EQ(ending.size(), 1u);
  EXPECT_EQ(ending[0], std::make_pair(h.boxes.boxes.size() - 1, h.LastBox().text)) << "and is told before it too";
  EXPECT_EQ(EndedWell(ends[0]), GetParam().end == OperationEnd::Confirmed);
  // The wrong device's failure is told with the end, not left to its box.
  EXPECT_EQ(anotherModel, std::string(GetParam().name) == "AnotherModel");
  EXPECT_FALSE(h.core.OperationRunning());
}

INSTANTIATE_TEST_SUITE_P(Faults, InstallEnd, ::testing::ValuesIn(kEnds),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(OperationEnd, ServicePassesAndALostLinkEndAsTheySay) {
  Harness h;
  std::vector<OperationEnd> ends;
  h.core.OnEnd = [&](OperationEnd end) { ends.push_back(end); };
  h.core.Button4Click();
  ASSERT_TRUE(h.clock.RunUntil([&] { return ends.size() == 1; }, 60000));
  h.core.rd_fClick();
  ASSERT_TRUE(h.clock.RunUntil([&] { return ends.size() == 2; }, 60000));
  h.core.ver_fClick();
  ASSERT_TRUE(h.clock.RunUntil([&] { return ends.size() == 3; }, 60000));
  h.core.zn.SetValue(222);  // the flash holds another serial number
  h.core.ver_fClick();
  ASSERT_TRUE(h.clock.RunUntil([&] { return ends.size() == 4; }, 60000));
  h.device.faults.silent = true;  // a pass's silence ends it as the install's does
  h.core.StartVerify(237, 20);
  ASSERT_TRUE(h.clock.RunUntil([&] { return ends.size() == 5; }, 60000));
  EXPECT_EQ(h.LastBox().text, "Устройство не ответило на чтение блока 0. Проверьте подключение и повторите.");
  h.core.Button4Click();
  h.core.LinkLost("ttyUSB0");
  EXPECT_EQ(ends, (std::vector<OperationEnd>{OperationEnd::Confirmed, OperationEnd::ReadDone, OperationEnd::VerifyDone,
                                             OperationEnd::VerifyMismatch, OperationEnd::ReplyMissing,
                                             OperationEnd::LinkLost}));
  EXPECT_FALSE(h.core.OperationRunning());
}

}  // namespace
}  // namespace galt::testing
