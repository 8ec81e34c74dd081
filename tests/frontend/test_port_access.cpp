// Opening the loader's port as every front end does, on a pseudo-terminal
// standing for a port of the table (Linux).

#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "frontend/LoaderLine.h"
#include "frontend/PortAccess.h"
#include "tests/support/Holder.h"

namespace galt::testing {
namespace {

TEST(PortAccess, OpensAFreePortButNeverOneAnotherProgramHoldsOrOneThatIsGone) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
  const std::string path = ::ptsname(master);
  const TSerPortTable table({{42, path}, {43, path + "-gone"}});
  TSerComm comm;
  comm.SetPortTable(table);
  UseLoaderLine(comm);
  CommPortAccess access(comm, table);
  TSerPortEntry entry;
  entry.PortNum = 42;
  {
    Holder other(path);
    ASSERT_TRUE(other.Held());
    const PortOpening held = access.Open(entry);
    EXPECT_FALSE(held.Opened);
    EXPECT_TRUE(held.Busy);
    ASSERT_EQ(held.Holders.size(), 1u);
    EXPECT_EQ(held.Holders[0].Pid, other.Pid());
  }
  EXPECT_TRUE(access.Open(entry).Opened);
  EXPECT_EQ(access.OpenPath(), path);
  entry.PortNum = 43;
  EXPECT_TRUE(access.Open(entry).NotFound);
  EXPECT_FALSE(access.IsOpen()) << "the open port was closed first";
  ::close(master);
}

}  // namespace
}  // namespace galt::testing
#endif
