// Which ports the scan offers on a mocked machine, what it says about them,
// and who holds a busy one.

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <map>

#include "ports/PortDescription.h"
#include "ports/PortDiscovery.h"
#include "ports/PortProbe.h"
#include "tests/support/VirtualDevice.h"
#include "tests/support/Holder.h"
#include "tests/support/MockMachine.h"

namespace galt::testing {
namespace {

std::vector<std::string> Names(const TSerPortScan& scan) {
  std::vector<std::string> names;
  for (const auto& e : scan.Listed) names.push_back(e.Name);
  return names;
}

TEST(PortScan, OffersTerminalsWithHardwareAndSaysWhatTheyAre) {
  MockMachine machine;
  machine.AddUart("ttyS1", 4);  // a 16550A
  machine.AddUart("ttyS2", 0);  // an empty legacy slot
  machine.AddUart("ttyS3", 4);
  machine.SetConsole("tty0 ttyS3");
  machine.PlugUsb("ttyUSB1", {"CP2102 USB to UART Bridge Controller", "Silicon Labs", "0001", "cp210x"});
  machine.PlugUsb("ttyUSB0");

  const TSerPortScan scan =
      ScanPortTable(MockMachine::Table({"ttyUSB1", "ttyS3", "ttyS2", "ttyS1", "ttyUSB0", "ttyACM0"}));
  // Table order; no console, no empty slot, nothing that is not there.
  EXPECT_EQ(Names(scan), (std::vector<std::string>{"S1", "USB0", "USB1"}));
  ASSERT_EQ(scan.Listed.size(), 3u);
  EXPECT_EQ(scan.Listed[0].Description, "serial8250");
  EXPECT_EQ(scan.Listed[0].AdapterSerial, "");
  EXPECT_EQ(scan.Listed[1].Description, "FT232R USB UART, FTDI, A10K3ZQ1");
  EXPECT_EQ(scan.Listed[1].AdapterSerial, "A10K3ZQ1");
  EXPECT_EQ(scan.Listed[1].Path, "/dev/ttyUSB0");
  EXPECT_EQ(scan.Listed[1].PortNum, 33);
  EXPECT_EQ(scan.Listed[2].Description, "CP2102 USB to UART Bridge Controller, Silicon Labs, 0001");
  for (const auto& e : scan.Listed) EXPECT_FALSE(e.Busy) << e.Name;
  EXPECT_EQ(scan.FirstFree(), &scan.Listed[0]);
}

TEST(PortScan, LeavesOutNodesThatAreNoTerminals) {
  const std::string dir = ::testing::TempDir() + "/galt-ports-" + std::to_string(::getpid());
  ::mkdir(dir.c_str(), 0700);
  const std::string file = dir + "/ttyUSB5", fifo = dir + "/ttyUSB6";
  std::ofstream(file) << "x";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // And a number at the top of int, for a node that is not there: no walk up to it.
  const TSerPortScan scan =
      ScanPortTable(TSerPortTable({{1, file}, {2, fifo}, {3, "/dev/null"}, {INT_MAX, dir + "/ttyUSB7"}}));
  EXPECT_TRUE(scan.Listed.empty());
  EXPECT_TRUE(scan.Denied.empty());
  ::unlink(file.c_str());
  ::unlink(fifo.c_str());
  ::rmdir(dir.c_str());
}

TEST(PortScan, ABusyPortStaysListedWithWhoHoldsItUntilReleased) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0");
  machine.PlugUsb("ttyUSB1", {"USB Serial", "QinHeng", "", "ch341"});
  const auto table = MockMachine::Table({"ttyUSB0", "ttyUSB1"});
  {
    Holder open("/dev/ttyUSB0");
    Holder locked("/dev/ttyUSB1", /*lock=*/true);
    ASSERT_TRUE(open.Held() && locked.Held());
    const TSerPortScan scan = ScanPortTable(table);
    ASSERT_EQ(Names(scan), (std::vector<std::string>{"USB0", "USB1"}));
    EXPECT_TRUE(scan.Listed[0].Busy);
    EXPECT_EQ(scan.Listed[0].Holders, (std::vector<TSerPortHolder>{{open.Pid(), "sleep"}}));
    EXPECT_TRUE(scan.Listed[1].Busy);
    // Found by its descriptor and by its lock, named once.
    EXPECT_EQ(scan.Listed[1].Holders, (std::vector<TSerPortHolder>{{locked.Pid(), "sleep"}}));
    EXPECT_EQ(scan.FirstFree(), nullptr);
    EXPECT_EQ(PortHoldersOf("/dev/ttyUSB0"), scan.Listed[0].Holders);
  }
  const TSerPortScan released = ScanPortTable(table);
  ASSERT_EQ(released.Listed.size(), 2u);
  EXPECT_FALSE(released.Listed[0].Busy);
  EXPECT_FALSE(released.Listed[1].Busy);
  EXPECT_TRUE(PortHoldersOf("/dev/ttyUSB0").empty());
}

TEST(PortScan, ATerminalOfAnotherPtyInstanceIsNoHolderOfOursWithTheSameNumber) {
  VirtualDevice device;  // a terminal of this machine's own instance
  const std::string number = device.Path().substr(device.Path().find_last_of('/') + 1);
  Holder elsewhere({GALT_PTY_ELSEWHERE, "pty_elsewhere", number});
  if (!elsewhere.Held()) GTEST_SKIP() << "no pseudo-terminal instance of its own can be made here (needs root)";
  // Same device number, another terminal.
  struct stat ours {}, theirs {};
  ASSERT_EQ(::stat(device.Path().c_str(), &ours), 0);
  ASSERT_EQ(::stat(("/proc/" + std::to_string(elsewhere.Pid()) + "/fd/0").c_str(), &theirs), 0);
  ASSERT_EQ(ours.st_rdev, theirs.st_rdev);
  EXPECT_TRUE(PortHoldersOf(device.Path()).empty());
  Holder here(device.Path());
  ASSERT_TRUE(here.Held());
  EXPECT_EQ(PortHoldersOf(device.Path()), (std::vector<TSerPortHolder>{{here.Pid(), "sleep"}}));
}

// Opens of a node, as inotify sees them.
class OpenWatch {
 public:
  explicit OpenWatch(const std::string& path) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    ok_ = fd_ >= 0 && ::inotify_add_watch(fd_, path.c_str(), IN_OPEN) >= 0;
  }
  ~OpenWatch() { ::close(fd_); }
  bool Ok() const { return ok_; }
  int Opens() {
    int n = 0;
    alignas(inotify_event) char buf[1024];
    for (ssize_t got; (got = ::read(fd_, buf, sizeof buf)) > 0;) n += static_cast<int>(got / sizeof(inotify_event));
    return n;
  }

 private:
  int fd_;
  bool ok_ = false;
};

TEST(PortScan, WhoHoldsAPortIsFoundWithoutOpeningIt) {
  // An open raises DTR and RTS on a real adapter: the check before each
  // open of the loader's port must not pulse them once more.
  VirtualDevice device;
  Holder picocom(device.Path());
  ASSERT_TRUE(picocom.Held());
  OpenWatch watch(device.Path());
  ASSERT_TRUE(watch.Ok());
  EXPECT_EQ(PortHoldersOf(device.Path()), (std::vector<TSerPortHolder>{{picocom.Pid(), "sleep"}}));
  EXPECT_EQ(watch.Opens(), 0);
  ProbeDevice(device.Path());
  EXPECT_EQ(watch.Opens(), 1) << "the watch sees opens";
}

TEST(PortScan, OurOwnOpenPortIsListedWithoutAProbe) {
  MockMachine machine;
  machine.PlugUsb("ttyUSB0");
  Holder other("/dev/ttyUSB0", /*lock=*/true);
  ASSERT_TRUE(other.Held());
  TSerScanOptions options;
  options.OwnPath = "/dev/ttyUSB0";
  const TSerPortScan scan = ScanPortTable(MockMachine::Table({"ttyUSB0"}), options);
  ASSERT_EQ(scan.Listed.size(), 1u);
  EXPECT_TRUE(scan.Listed[0].Own);
  EXPECT_FALSE(scan.Listed[0].Busy);
  EXPECT_EQ(scan.Listed[0].Description, "FT232R USB UART, FTDI, A10K3ZQ1");
}

// The scan as an account with no access to the terminals, in a program of
// its own: "listed names|denied paths".
std::string ScanAsNobody(const std::map<int, std::string>& ports) {
  std::string command = std::string(GALT_SCAN_AS_USER) + " 65534";
  for (const auto& [num, path] : ports) command += " " + std::to_string(num) + "=" + path;
  FILE* out = ::popen(command.c_str(), "r");
  if (out == nullptr) return "popen";
  std::string text;
  char buf[256];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, out)) > 0) text.append(buf, n);
  const int status = ::pclose(out);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "scan failed";
}

TEST(PortScan, TheAccessHintOnlyNamesNodesWithHardwareBehindThem) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another account";
  MockMachine machine;
  machine.OpenToAllUsers();
  machine.PlugUsb("ttyUSB0");
  // A pseudo-terminal under a table name: no hardware, nothing to hint at.
  VirtualDevice device;
  const std::string dir = ::testing::TempDir() + "/galt-denied-" + std::to_string(::getpid());
  ::mkdir(dir.c_str(), 0755);
  const std::string link = dir + "/ttyUSB7";
  ASSERT_EQ(::symlink(device.Path().c_str(), link.c_str()), 0);
  ASSERT_EQ(::chmod(device.Path().c_str(), 0600), 0);

  EXPECT_EQ(ScanAsNobody({{33, "/dev/ttyUSB0"}, {40, link}}), "|/dev/ttyUSB0 ");
  ::unlink(link.c_str());
  ::rmdir(dir.c_str());
}

TEST(PortScan, ConsolesComeFromTheDeviceDatabaseAndProcConsoles) {
  EXPECT_EQ(ParseProcConsoles("ttyS0                -W- (EC  p a)    4:64\ntty0  -WU (E  p  )    4:1\n"),
            (std::set<std::string>{"ttyS0", "tty0"}));
  EXPECT_TRUE(ParseProcConsoles("").empty());
  MockMachine machine;
  machine.SetConsole("tty1 ttyS7");
  const auto consoles = TSerPortDescriber().KernelConsoles();
  EXPECT_EQ(consoles.count("ttyS7"), 1u);
  EXPECT_EQ(consoles.count("tty1"), 1u);
}

TEST(PortScan, ShortNamesAreThePathBelowDev) {
  EXPECT_EQ(ShortPortName("/dev/ttyUSB0"), "ttyUSB0");
  EXPECT_EQ(ShortPortName("/dev/pts/3"), "pts/3");
  EXPECT_EQ(ShortPortName("/tmp/rig/ttyUSB9"), "ttyUSB9");
}

}  // namespace
}  // namespace galt::testing
