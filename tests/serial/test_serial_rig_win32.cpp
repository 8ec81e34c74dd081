// The rig behind the COM ports under Wine (tools/cross/rig): it serves every
// line and every new connection from one loop, so a line that takes no more
// bytes must not stop the rest.

#include <string>

#include "SerialFixture.h"

namespace galt::test {
namespace {

TEST(SerialRig, ALineNobodyReadsStopsNoOtherLine) {
  if (const std::string why = FarSide::Unavailable(); !why.empty()) GTEST_SKIP() << why;
  const std::size_t flood = 256 * 1024;  // many times what a pseudo-terminal holds
  {
    // Sent towards a port that nobody opens: the line fills, the rest waits.
    FarSide unread;
    unread.Write(std::string(flood, 'f'));
    const int waiting = unread.Waiting();
    EXPECT_GT(waiting, static_cast<int>(flood / 2));
    EXPECT_LE(waiting, static_cast<int>(flood));
  }
  // The next connection, as the next test makes it, gets a line, and what the
  // gone far side left unsent never reaches it.
  FarSide next;
  TSerEventLoop loop;
  TSerComm comm{&loop};
  UseLoaderSettings(comm, next.Path());
  std::string received;
  comm.OnRxChar = [&](TSerCustomComm* Sender, int) { received += Sender->ReadText(); };
  comm.Open();
  next.Write("after");
  EXPECT_TRUE(loop.RunUntil([&] { return received == "after"; }, 2000ms)) << received.size() << " bytes";
}

}  // namespace
}  // namespace galt::test
