// Started through sudo, the emulator gives its terminal to the calling user,
// so the loader can run without root; otherwise the terminal stays root's.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "EmulatorProcess.h"
#include "serial/PortDiscovery.h"
#include "tools/galt-emulator/SudoHandOver.h"

namespace galt::emucli::testing {
namespace {

constexpr uid_t kUser = 65534;  // nobody: no rights of its own on anything here
constexpr gid_t kUserGroup = 65534;

TEST(SudoHandOver, OnlyRootStartedThroughSudoHandsOver) {
  EXPECT_EQ(SudoUser(0, "1000", "1001", 20), (InvokingUser{1000, 1001, 20}));
  EXPECT_EQ(SudoUser(0, "1000", "1001", std::nullopt), (InvokingUser{1000, 1001, 1001}));
  EXPECT_EQ(SudoUser(0, nullptr, "1001", 20), std::nullopt);
  EXPECT_EQ(SudoUser(1000, "1000", "1001", 20), std::nullopt);
  for (const char* bad : {"", "abc", "12x", "-1", "4294967295", "99999999999"}) {
    EXPECT_THROW(SudoUser(0, bad, "1001", 20), std::runtime_error) << bad;
    EXPECT_THROW(SudoUser(0, "1000", bad, 20), std::runtime_error) << bad;
  }
  EXPECT_THROW(SudoUser(0, "1000", nullptr, 20), std::runtime_error);
}

gid_t ExpectedGroup() {
  const group* dialout = getgrnam("dialout");
  return dialout ? dialout->gr_gid : kUserGroup;
}

// The loader's own port probe, run as the unprivileged user.
int ProbeAsUser(const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    const gid_t groups[] = {kUserGroup};
    const bool dropped = setgroups(1, groups) == 0 && setgid(kUserGroup) == 0 && setuid(kUser) == 0;
    _exit(dropped ? ProbePort(path) : 255);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SudoHandOverAsRoot : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "handing a terminal over needs root";
    char name[] = "/tmp/galt-emulator-sudo-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

TEST_F(SudoHandOverAsRoot, TerminalAndLinkServeTheCallingUser) {
  std::filesystem::permissions(dir_, std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
  const std::string link = dir_ + "/ttyUSB9";
  EmulatorProcess emu({"--quiet", "--link", link},
                      {"SUDO_UID=" + std::to_string(kUser), "SUDO_GID=" + std::to_string(kUserGroup)});
  const std::string slave = emu.ReadLine();
  ASSERT_FALSE(slave.empty()) << emu.Stderr();

  struct stat st{};
  ASSERT_EQ(stat(slave.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kUser);
  EXPECT_EQ(st.st_gid, ExpectedGroup());
  EXPECT_EQ(st.st_mode & 07777, 0660u);
  EXPECT_EQ(ProbeAsUser(link), 0);
  EXPECT_EQ(ProbeAsUser(slave), 0);
  EXPECT_EQ(emu.Stop(SIGTERM), 0);
  EXPECT_EQ(emu.Stderr(), "");
}

TEST_F(SudoHandOverAsRoot, LinkInADirectoryClosedToTheUserIsReported) {
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
  const std::string link = dir_ + "/ttyUSB9";
  EmulatorProcess emu({"--quiet", "--link", link},
                      {"SUDO_UID=" + std::to_string(kUser), "SUDO_GID=" + std::to_string(kUserGroup)});
  ASSERT_FALSE(emu.ReadLine().empty()) << emu.Stderr();
  EXPECT_NE(ProbeAsUser(link), 0);
  EXPECT_NE(emu.Stderr().find("cannot reach " + link), std::string::npos) << emu.Stderr();
}

TEST_F(SudoHandOverAsRoot, WithoutSudoTheTerminalStaysRoots) {
  EmulatorProcess emu({"--quiet"}, {"SUDO_UID", "SUDO_GID"});
  const std::string slave = emu.ReadLine();
  ASSERT_FALSE(slave.empty()) << emu.Stderr();
  struct stat st{};
  ASSERT_EQ(stat(slave.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_NE(ProbeAsUser(slave), 0);
}

TEST(SudoHandOverCli, UnusableSudoIdsStopTheEmulator) {
  if (geteuid() != 0) GTEST_SKIP() << "the hand-over is only tried as root";
  EmulatorProcess emu({"--quiet"}, {"SUDO_UID=nobody", "SUDO_GID=1"});
  EXPECT_EQ(emu.Wait(), 1);
  EXPECT_NE(emu.Stderr().find("SUDO_UID"), std::string::npos) << emu.Stderr();
  EXPECT_EQ(emu.ReadLine(milliseconds(100)), "");
}

}  // namespace
}  // namespace galt::emucli::testing
