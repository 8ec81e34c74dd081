#pragma once
// The far side of a serial line for the component's tests: the test plays
// the device there. On Linux it is the master of a pseudo-terminal pair whose
// slave the component opens; under Wine it is the same, held by the Linux rig
// (tools/cross/rig) behind a COM port of the Wine prefix and reached over a
// loopback socket (FarSideWine.cpp).

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace galt::test {

class FarSide {
 public:
  FarSide();
  ~FarSide();
  FarSide(const FarSide&) = delete;
  FarSide& operator=(const FarSide&) = delete;

  // Why no far side can be had here (no rig to talk to); empty when it can.
  static std::string Unavailable();

  // What the component opens: a pty's path, or "\\.\COMn".
  const std::string& Path() const;

  void Write(const std::string& Bytes);
  // Reads until Count bytes came or the time is up.
  std::string Read(std::size_t Count, std::chrono::milliseconds Timeout);
  // Reads whatever arrives until the line stays quiet for Quiet.
  std::string Drain(std::chrono::milliseconds Quiet = std::chrono::milliseconds(100));
  // The device goes away: the component's side hangs up.
  void HangUp();
  // Fills the line from the component towards the far side, which stops
  // reading, until it takes no more; answers the bytes it took. They stay
  // queued until the far side reads them.
  std::size_t Fill();
  // Bytes waiting in the line towards the component.
  int Waiting();

#ifndef _WIN32
  // The pty's slave, to read the line settings back (Linux only).
  int Slave() const;
#else
  // How often the component's side has been opened since the line was made
  // (Wine: the rig counts the opens of the terminal behind the COM port).
  int Opens();
#endif

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

}  // namespace galt::test
