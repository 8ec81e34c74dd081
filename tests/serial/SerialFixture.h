#pragma once
// A component set up as the loader sets it up, on one end of a serial line
// whose far side the test plays, with the test thread playing the window's
// event thread.

#include <gtest/gtest.h>

#include <chrono>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "FarSide.h"
#include "TestPlatform.h"
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
    UseLoaderSettings(Comm, Far.Path());
    Comm.SetExceptionDisplay([this](std::exception_ptr e) { Shown.push_back(MessageOf(e)); });
  }

  void SetUp() override {
    if (const std::string why = FarSide::Unavailable(); !why.empty()) GTEST_SKIP() << why;
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

  FarSide Far;
  TSerEventLoop Loop;
  TSerComm Comm{&Loop};
  std::vector<std::string> Shown;
  std::vector<int> RxCounts;
  std::string Received;
};

}  // namespace galt::test
