#pragma once
// A component set up as the loader sets it up, on one end of a pty pair, with
// the test thread playing the window's event thread.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PtyPair.h"
#include "serial/SerComm.h"
#include "serial/SerEventLoop.h"

namespace galt::test {

using namespace std::chrono_literals;

inline void UseLoaderSettings(TSerCustomComm& Comm, const std::string& Path) {
  Comm.SetBaudrate(br14400);
  Comm.FlowControl().SetControlDtr(dtrDisabled);
  Comm.FlowControl().SetControlRts(rtsEnabled);
  Comm.SetDeviceName(Path);
}

inline std::string MessageOf(std::exception_ptr Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "?";
  }
}

class SerialTest : public ::testing::Test {
 protected:
  SerialTest() {
    UseLoaderSettings(Comm, Pty.Path());
    Comm.SetExceptionDisplay([this](std::exception_ptr e) { Shown.push_back(MessageOf(e)); });
  }

  bool Pump(const std::function<bool()>& Done, std::chrono::milliseconds Timeout = 2000ms) {
    return Loop.RunUntil(Done, Timeout);
  }

  // Collects everything OnRxChar reads, as the loader's assembler does.
  void ReadInHandler() {
    Comm.OnRxChar = [this](TSerCustomComm* Sender, int Count) {
      RxCounts.push_back(Count);
      Received += Sender->ReadText();
    };
  }

  // Fills the pty's output buffers through the test's own slave descriptor
  // until they stay full (the kernel moves bytes between its buffers in the
  // background, so one refused write does not prove it); answers the count.
  std::size_t FillDevice() {
    ::fcntl(Pty.Slave(), F_SETFL, ::fcntl(Pty.Slave(), F_GETFL) | O_NONBLOCK);
    const std::string block(512, 'p');
    std::size_t written = 0;
    int refusals = 0;
    while (refusals < 3) {
      const ssize_t n = ::write(Pty.Slave(), block.data(), block.size());
      if (n > 0) {
        written += static_cast<std::size_t>(n);
        refusals = 0;
      } else {
        ++refusals;
        std::this_thread::sleep_for(20ms);
      }
    }
    return written;
  }

  PtyPair Pty;
  TSerEventLoop Loop;
  TSerComm Comm{&Loop};
  std::vector<std::string> Shown;
  std::vector<int> RxCounts;
  std::string Received;
};

}  // namespace galt::test
