// The far side under Wine: a pseudo-terminal on the Linux side, served by
// galt-wine-rig behind a COM port of the Wine prefix and reached over the
// loopback socket named in GALT_WINE_RIG.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "FarSide.h"
#include "tools/cross/rig/RigProtocol.h"

namespace galt::test {

namespace {

using namespace galt::rig;

// Far longer than any answer takes (a read waits at most what the test asks,
// a few seconds): a rig that stops answering fails the test, not hangs it.
constexpr DWORD kRigAnswerMs = 30000;

const char* RigAddress() {
  const char* address = std::getenv("GALT_WINE_RIG");
  return address != nullptr && *address != '\0' ? address : nullptr;
}

}  // namespace

struct FarSide::TImpl {
  SOCKET Socket = INVALID_SOCKET;
  std::string Path;

  TImpl() {
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw std::runtime_error("WSAStartup failed");
    const char* address = RigAddress();
    if (address == nullptr) return;  // Unavailable() says why
    const std::string text = address;
    const auto colon = text.find(':');
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(std::atoi(text.c_str() + colon + 1)));
    if (::inet_pton(AF_INET, text.substr(0, colon).c_str(), &to.sin_addr) != 1) {
      throw std::runtime_error("bad GALT_WINE_RIG address: " + text);
    }
    Socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (Socket == INVALID_SOCKET || ::connect(Socket, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      throw std::runtime_error("cannot reach galt-wine-rig at " + text);
    }
    const DWORD answerMs = kRigAnswerMs;
    ::setsockopt(Socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&answerMs), sizeof answerMs);
    Path = "\\\\.\\" + Expect(kName);
  }

  ~TImpl() {
    if (Socket != INVALID_SOCKET) ::closesocket(Socket);
    ::WSACleanup();
  }

  void Send(char Type, const std::string& Payload = {}) {
    std::string message(kHeaderSize, '\0');
    message[0] = Type;
    PutU32(message.data() + 1, static_cast<std::uint32_t>(Payload.size()));
    message += Payload;
    for (std::size_t done = 0; done < message.size();) {
      const int n = ::send(Socket, message.data() + done, static_cast<int>(message.size() - done), 0);
      if (n <= 0) throw std::runtime_error("galt-wine-rig is gone");
      done += static_cast<std::size_t>(n);
    }
  }

  std::string Receive(std::size_t Size) {
    std::string out(Size, '\0');
    for (std::size_t done = 0; done < Size;) {
      const int n = ::recv(Socket, out.data() + done, static_cast<int>(Size - done), 0);
      if (n < 0 && ::WSAGetLastError() == WSAETIMEDOUT) {
        throw std::runtime_error("galt-wine-rig did not answer within " + std::to_string(kRigAnswerMs / 1000) + " s");
      }
      if (n <= 0) throw std::runtime_error("galt-wine-rig is gone");
      done += static_cast<std::size_t>(n);
    }
    return out;
  }

  // The payload of the next message, which must be of this type.
  std::string Expect(char Type) {
    const std::string header = Receive(kHeaderSize);
    const std::string payload = Receive(GetU32(header.data() + 1));
    if (header[0] != Type) throw std::runtime_error("galt-wine-rig answered out of turn");
    return payload;
  }
};

FarSide::FarSide() : Impl_(std::make_unique<TImpl>()) {}
FarSide::~FarSide() = default;

std::string FarSide::Unavailable() {
  if (RigAddress() != nullptr) return {};
  return "no serial line: run under tools/cross/rig/galt-wine-rig (GALT_WINE_RIG is not set)";
}

const std::string& FarSide::Path() const { return Impl_->Path; }

void FarSide::Write(const std::string& Bytes) { Impl_->Send(kWrite, Bytes); }

std::string FarSide::Read(std::size_t Count, std::chrono::milliseconds Timeout) {
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + Timeout;
  while (out.size() < Count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    char request[8];
    PutU32(request, static_cast<std::uint32_t>(Count - out.size()));
    PutU32(request + 4, static_cast<std::uint32_t>(left.count()));
    Impl_->Send(kRead, std::string(request, sizeof request));
    out += Impl_->Expect(kData);
  }
  return out;
}

std::string FarSide::Drain(std::chrono::milliseconds Quiet) {
  std::string out;
  for (;;) {
    char request[8];
    PutU32(request, 65536);
    PutU32(request + 4, static_cast<std::uint32_t>(Quiet.count()));
    Impl_->Send(kRead, std::string(request, sizeof request));
    const std::string got = Impl_->Expect(kData);
    if (got.empty()) return out;
    out += got;
  }
}

void FarSide::HangUp() {
  Impl_->Send(kHangUp);
  Impl_->Expect(kHangUp);
}

std::size_t FarSide::Fill() {
  Impl_->Send(kFill);
  return GetU32(Impl_->Expect(kFill).data());
}

int FarSide::Waiting() {
  Impl_->Send(kWaiting);
  return static_cast<int>(GetU32(Impl_->Expect(kWaiting).data()));
}

int FarSide::Opens() {
  Impl_->Send(kOpens);
  return static_cast<int>(GetU32(Impl_->Expect(kOpens).data()));
}

}  // namespace galt::test
