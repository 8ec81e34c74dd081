// Started through sudo, the emulator gives its terminal to the calling user,
// so the loader can run without root; otherwise the terminal stays root's.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "EmulatorProcess.h"
#include "ports/PortProbe.h"
#include "tools/galt-emulator/LinkName.h"
#include "tools/galt-emulator/SudoHandOver.h"

namespace galt::emucli::testing {
namespace {

constexpr uid_t kUser = 65534;  // nobody: no rights of its own on anything here
const std::vector<std::string> kSudo{"SUDO_UID=65534", "SUDO_GID=65534"};

TEST(SudoHandOver, OnlyRootStartedThroughSudoHandsOver) {
  EXPECT_EQ(SudoUser(0, "1000", "1001", 20), (InvokingUser{1000, 1001, 20}));
  EXPECT_EQ(SudoUser(0, "1000", "1001", std::nullopt), (InvokingUser{1000, 1001, 1001}));
  EXPECT_EQ(SudoUser(0, nullptr, "1001", 20), std::nullopt);
  EXPECT_EQ(SudoUser(1000, "1000", "1001", 20), std::nullopt);
  for (const char* bad : {"", "12x", "-1", "4294967295"}) {
    EXPECT_THROW(SudoUser(0, bad, "1001", 20), std::runtime_error) << bad;
    EXPECT_THROW(SudoUser(0, "1000", bad, 20), std::runtime_error) << bad;
  }
}

// The loader's own port probe, run as the unprivileged user.
int ProbeAsUser(const std::string& path) {
  const pid_t child = fork();
  if (child == 0) {
    const gid_t groups[] = {kUser};
    _exit(setgroups(1, groups) == 0 && setgid(kUser) == 0 && setuid(kUser) == 0 ? ProbeDevice(path).Error : 255);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SudoHandOver, ALinkWhereTheUserMayNotWriteSaysToUseSudo) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to try it as another user";
  char name[] = "/tmp/galt-emulator-link-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);  // root's, 0700: nobody may write there
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  const pid_t child = fork();
  if (child == 0) {
    const gid_t groups[] = {kUser};
    std::string said = "could drop no rights";
    if (setgroups(1, groups) == 0 && setgid(kUser) == 0 && setuid(kUser) == 0) {
      try {
        LinkName link(std::string(name) + "/ttyUSB9", "/dev/null");
        said = "linked";
      } catch (const std::exception& e) {
        said = e.what();
      }
    }
    (void)!write(pipe[1], said.data(), said.size());
    _exit(0);
  }
  ::close(pipe[1]);
  std::string said;
  char buf[256];
  for (ssize_t n; (n = read(pipe[0], buf, sizeof buf)) > 0;) said.append(buf, static_cast<std::size_t>(n));
  ::close(pipe[0]);
  waitpid(child, nullptr, 0);
  std::filesystem::remove_all(name);
  EXPECT_NE(said.find("Permission denied"), std::string::npos) << said;
  EXPECT_NE(said.find("run it as root or through sudo: sudo galt-emulator --link"), std::string::npos) << said;
}

// Emulators started with a --link in a fresh directory of the given mode.
void WithLinkIn(std::filesystem::perms dirMode, const std::vector<std::string>& env,
                const std::function<void(EmulatorProcess&, const std::string&, const std::string&)>& check) {
  if (geteuid() != 0) GTEST_SKIP() << "handing a terminal over needs root";
  char name[] = "/tmp/galt-emulator-sudo-XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  std::filesystem::permissions(name, dirMode);
  const std::string link = std::string(name) + "/ttyUSB9";
  {
    EmulatorProcess emu({"--quiet", "--link", link}, env);
    const std::string slave = emu.ReadLine();
    EXPECT_FALSE(slave.empty()) << emu.Stderr();
    if (!slave.empty()) check(emu, slave, link);
  }
  std::filesystem::remove_all(name);
}

using std::filesystem::perms;

TEST(SudoHandOverAsRoot, TerminalAndLinkServeTheCallingUser) {
  WithLinkIn(perms::owner_all | perms::others_exec, kSudo, [](EmulatorProcess& emu, auto& slave, auto& link) {
    struct stat st{};
    ASSERT_EQ(stat(slave.c_str(), &st), 0);
    const group* dialout = getgrnam("dialout");
    EXPECT_EQ(st.st_uid, kUser);
    EXPECT_EQ(st.st_gid, dialout ? dialout->gr_gid : kUser);
    EXPECT_EQ(st.st_mode & 07777, 0660u);
    EXPECT_EQ(ProbeAsUser(link), 0);
    EXPECT_EQ(emu.Stop(SIGTERM), 0);
    EXPECT_EQ(emu.Stderr(), "");
  });
}

TEST(SudoHandOverAsRoot, LinkInADirectoryClosedToTheUserIsReported) {
  WithLinkIn(perms::owner_all, kSudo, [](EmulatorProcess& emu, auto&, auto& link) {
    EXPECT_NE(ProbeAsUser(link), 0);
    EXPECT_NE(emu.Stderr().find("cannot reach " + link), std::string::npos) << emu.Stderr();
  });
}

TEST(SudoHandOverAsRoot, WithoutSudoTheTerminalStaysRoots) {
  WithLinkIn(perms::owner_all | perms::others_exec, {}, [](EmulatorProcess&, auto&, auto& link) {
    EXPECT_NE(ProbeAsUser(link), 0);
  });
}

}  // namespace
}  // namespace galt::emucli::testing
