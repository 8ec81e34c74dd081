// galt-wine-rig: serial lines for Windows programs under Wine.
//
//   galt-wine-rig --prefix DIR [--ports FIRST-LAST] [--echo N]... [--preload LIB] -- COMMAND...
//
// Runs COMMAND (a Windows program started through Wine) with serial lines
// behind COM ports of the Wine prefix DIR: each is a pseudo-terminal whose
// slave DIR/dosdevices/comN points to. The program reaches the far sides
// over a loopback socket whose address it finds in GALT_WINE_RIG
// (RigProtocol.h): every connection gets a new terminal on the first free port
// of FIRST-LAST. --echo N serves COM N with a far side that sends back every
// byte at once (for timing). LIB is preloaded into COMMAND (the terminal
// shim). Answers COMMAND's exit status; the links it made are removed.
// Every open of a line's terminal is counted (inotify), so that a test can
// tell whether the program opened a port.

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/cross/rig/RigProtocol.h"

namespace {

using namespace galt::rig;
using Clock = std::chrono::steady_clock;

// Opens of the lines' terminals, as inotify reports them.
int g_opensWatch = -1;
struct Line;
std::map<int, Line*> g_watched;  // by watch descriptor

// A pseudo-terminal behind one COM port of the prefix.
struct Line {
  int Master = -1;
  int Slave = -1;  // held, so the line stays up while the program reopens it
  int Port = 0;
  std::string Link;
  int Watch = -1;
  std::uint32_t Opens = 0;
  // Bytes of the far side that the line has not taken yet. The rig serves
  // every line and the listener from one loop, so it never waits for room
  // in one line: a port that nobody reads (closed, or never opened again)
  // would stop all the others and the next test's connection.
  std::string Out;

  ~Line() { Close(); }
  void Close() {
    if (Watch >= 0) {
      ::inotify_rm_watch(g_opensWatch, Watch);
      g_watched.erase(Watch);
      Watch = -1;
    }
    if (Master >= 0) ::close(Master);
    if (Slave >= 0) ::close(Slave);
    Master = Slave = -1;
    Out.clear();
  }

  void Send(const char* Data, std::size_t Size) {
    if (Master < 0) return;
    Out.append(Data, Size);
    Flush();
  }

  // Writes what the line takes now.
  void Flush() {
    while (!Out.empty() && Master >= 0) {
      const ssize_t n = ::write(Master, Out.data(), Out.size());
      if (n > 0) {
        Out.erase(0, static_cast<std::size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return;  // full (EAGAIN): the loop waits for room; or the line has gone
      }
    }
  }
};

bool WriteAll(int Fd, const char* Data, std::size_t Size) {
  while (Size > 0) {
    const ssize_t n = ::write(Fd, Data, Size);
    if (n > 0) {
      Data += n;
      Size -= static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{Fd, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else {
      return false;
    }
  }
  return true;
}

// Counts the opens inotify has reported so far.
void CountOpens() {
  alignas(inotify_event) char buf[4096];
  ssize_t n;
  while ((n = ::read(g_opensWatch, buf, sizeof buf)) > 0) {
    for (ssize_t at = 0; at < n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
      const auto line = g_watched.find(ev->wd);
      if (line != g_watched.end() && (ev->mask & IN_OPEN) != 0) ++line->second->Opens;
      at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
    }
  }
}

std::unique_ptr<Line> OpenLine(const std::string& Prefix, int Port) {
  auto line = std::make_unique<Line>();
  char name[128];
  termios raw{};
  ::cfmakeraw(&raw);
  if (::openpty(&line->Master, &line->Slave, name, &raw, nullptr) != 0) return nullptr;
  ::fcntl(line->Master, F_SETFL, ::fcntl(line->Master, F_GETFL) | O_NONBLOCK);
  ::fcntl(line->Master, F_SETFD, FD_CLOEXEC);
  ::fcntl(line->Slave, F_SETFD, FD_CLOEXEC);
  line->Port = Port;
  // Watched from now on: the rig's own open of the terminal is behind it.
  line->Watch = ::inotify_add_watch(g_opensWatch, name, IN_OPEN);
  if (line->Watch >= 0) g_watched[line->Watch] = line.get();
  line->Link = Prefix + "/dosdevices/com" + std::to_string(Port);
  ::unlink(line->Link.c_str());
  if (::symlink(name, line->Link.c_str()) != 0) {
    std::fprintf(stderr, "galt-wine-rig: cannot link %s: %s (is the Wine prefix made?)\n", line->Link.c_str(),
                 std::strerror(errno));
    return nullptr;
  }
  return line;
}

// One test's far side.
struct Client {
  int Socket = -1;
  std::unique_ptr<Line> Pty;
  std::string In;  // bytes of messages not yet complete
  bool ReadPending = false;
  std::uint32_t ReadMax = 0;
  Clock::time_point ReadUntil;

  ~Client() {
    if (Socket >= 0) ::close(Socket);
  }

  bool Send(char Type, const std::string& Payload = {}) {
    // One write: a header written apart from its payload would leave the
    // payload waiting for the header's acknowledgement (Nagle), some 40 ms
    // on every answer that carries data.
    std::string message(kHeaderSize, '\0');
    message[0] = Type;
    PutU32(message.data() + 1, static_cast<std::uint32_t>(Payload.size()));
    message += Payload;
    return WriteAll(Socket, message.data(), message.size());
  }

  void AnswerRead() {
    std::string data(ReadMax, '\0');
    ssize_t n = Pty && Pty->Master >= 0 ? ::read(Pty->Master, data.data(), data.size()) : -1;
    data.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    ReadPending = false;
    Send(kData, data);
  }

  std::uint32_t Fill() {
    if (!Pty || Pty->Slave < 0) return 0;
    ::fcntl(Pty->Slave, F_SETFL, ::fcntl(Pty->Slave, F_GETFL) | O_NONBLOCK);
    const std::string block(512, 'p');
    std::uint32_t written = 0;
    // The kernel moves bytes between its buffers in the background: only
    // several refusals in a row say that the line is full.
    for (int refusals = 0; refusals < 3;) {
      const ssize_t n = ::write(Pty->Slave, block.data(), block.size());
      if (n > 0) {
        written += static_cast<std::uint32_t>(n);
        refusals = 0;
      } else {
        ++refusals;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    }
    return written;
  }

  // Handles the complete messages received; false when the client is gone.
  bool Handle() {
    while (In.size() >= kHeaderSize) {
      const std::uint32_t size = GetU32(In.data() + 1);
      if (In.size() < kHeaderSize + size) return true;
      const char type = In[0];
      const std::string payload = In.substr(kHeaderSize, size);
      In.erase(0, kHeaderSize + size);
      char number[4];
      switch (type) {
        case kWrite:
          if (Pty) Pty->Send(payload.data(), payload.size());
          break;
        case kRead:
          if (payload.size() < 8) return false;
          ReadPending = true;
          ReadMax = GetU32(payload.data());
          ReadUntil = Clock::now() + std::chrono::milliseconds(GetU32(payload.data() + 4));
          break;
        case kHangUp:
          if (Pty) Pty->Close();
          if (!Send(kHangUp)) return false;
          break;
        case kFill:
          PutU32(number, Fill());
          if (!Send(kFill, std::string(number, 4))) return false;
          break;
        case kWaiting: {
          // What the line holds, and what it has yet to take.
          int waiting = 0;
          if (Pty && Pty->Slave >= 0) ::ioctl(Pty->Slave, FIONREAD, &waiting);
          if (Pty) waiting += static_cast<int>(Pty->Out.size());
          PutU32(number, static_cast<std::uint32_t>(waiting));
          if (!Send(kWaiting, std::string(number, 4))) return false;
          break;
        }
        case kOpens:
          CountOpens();
          PutU32(number, Pty ? Pty->Opens : 0);
          if (!Send(kOpens, std::string(number, 4))) return false;
          break;
        default:
          return false;
      }
    }
    return true;
  }
};

int Usage() {
  std::fprintf(stderr,
               "usage: galt-wine-rig --prefix DIR [--ports FIRST-LAST] [--echo N]... [--preload LIB] -- "
               "COMMAND...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string prefix, preload;
  int first = 10, last = 29;
  std::vector<int> echoPorts;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (arg == "--prefix") {
      prefix = value;
    } else if (arg == "--preload") {
      preload = value;
    } else if (arg == "--echo") {
      echoPorts.push_back(std::atoi(value.c_str()));
    } else if (arg == "--ports" && std::sscanf(value.c_str(), "%d-%d", &first, &last) == 2) {
    } else {
      return Usage();
    }
  }
  if (prefix.empty() || i >= argc) return Usage();
  // The prefix is Wine's to make (tools/cross/wine-run.sh): links made into
  // a prefix that does not exist yet would stop Wine from setting it up.
  ::signal(SIGPIPE, SIG_IGN);
  g_opensWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);

  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("galt-wine-rig: socket");
    return 1;
  }

  std::vector<std::unique_ptr<Line>> echoes;
  for (int port : echoPorts) {
    auto line = OpenLine(prefix, port);
    if (!line) return 1;
    echoes.push_back(std::move(line));
  }

  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("GALT_WINE_RIG", ("127.0.0.1:" + std::to_string(ntohs(address.sin_port))).c_str(), 1);
    if (!preload.empty()) {
      const char* old = std::getenv("LD_PRELOAD");
      ::setenv("LD_PRELOAD", (old && *old ? preload + ":" + old : preload).c_str(), 1);
    }
    ::execvp(argv[i], argv + i);
    std::perror("galt-wine-rig: exec");
    _exit(127);
  }

  std::map<int, std::unique_ptr<Client>> clients;  // by socket
  int status = 0;
  for (;;) {
    if (::waitpid(child, &status, WNOHANG) == child) break;
    std::vector<pollfd> fds{{listener, POLLIN, 0}};
    for (auto& e : echoes) fds.push_back({e->Master, static_cast<short>(POLLIN | (e->Out.empty() ? 0 : POLLOUT)), 0});
    for (auto& [socket, c] : clients) {
      fds.push_back({socket, POLLIN, 0});
      if (c->Pty && c->Pty->Master >= 0 && (c->ReadPending || !c->Pty->Out.empty())) {
        fds.push_back({c->Pty->Master,
                       static_cast<short>((c->ReadPending ? POLLIN : 0) | (c->Pty->Out.empty() ? 0 : POLLOUT)), 0});
      }
    }
    // Until the first read's wait ends, and now and then to see whether the
    // program has ended.
    int timeout = 50;
    const auto now = Clock::now();
    for (auto& [socket, c] : clients) {
      if (!c->ReadPending) continue;
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(c->ReadUntil - now).count();
      timeout = static_cast<int>(std::max<long long>(0, std::min<long long>(timeout, left)));
    }
    ::poll(fds.data(), fds.size(), timeout);
    CountOpens();  // before inotify's queue can overflow

    for (auto& e : echoes) {
      e->Flush();
      char buf[4096];
      const ssize_t n = ::read(e->Master, buf, sizeof buf);
      if (n > 0) e->Send(buf, static_cast<std::size_t>(n));
    }
    if (fds[0].revents & POLLIN) {
      const int s = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (s >= 0) {
        auto c = std::make_unique<Client>();
        c->Socket = s;
        for (int port = first; port <= last && !c->Pty; ++port) {
          bool taken = false;
          for (auto& [other, oc] : clients) taken = taken || (oc->Pty && oc->Pty->Port == port);
          for (auto& e : echoes) taken = taken || e->Port == port;
          if (!taken) c->Pty = OpenLine(prefix, port);
        }
        if (c->Pty && c->Send(kName, "COM" + std::to_string(c->Pty->Port))) clients.emplace(s, std::move(c));
      }
    }
    for (auto it = clients.begin(); it != clients.end();) {
      Client& c = *it->second;
      if (c.Pty) c.Pty->Flush();
      char buf[65536];
      bool alive = true;
      const ssize_t n = ::recv(c.Socket, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) {
        c.In.append(buf, static_cast<std::size_t>(n));
        alive = c.Handle();
      } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
        alive = false;
      }
      if (alive && c.ReadPending) {
        int waiting = 0;
        const bool data = c.Pty && c.Pty->Master >= 0 && ::ioctl(c.Pty->Master, FIONREAD, &waiting) == 0 && waiting > 0;
        if (data || Clock::now() >= c.ReadUntil) c.AnswerRead();
      }
      if (!alive) {
        if (c.Pty) ::unlink(c.Pty->Link.c_str());
        it = clients.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& [socket, c] : clients)
    if (c->Pty) ::unlink(c->Pty->Link.c_str());
  for (auto& e : echoes) ::unlink(e->Link.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
