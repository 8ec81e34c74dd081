#pragma once
// A pseudo-terminal pair for the serial tests: the component opens the slave
// by its path, the test plays the device on the master ("far side").

#include <chrono>
#include <cstddef>
#include <string>

namespace galt::test {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& Path() const { return Path_; }
  int Master() const { return Master_; }
  int Slave() const { return Slave_; }

  // Writes all bytes on the far side.
  void WriteFar(const std::string& Bytes);
  // Reads from the far side until Count bytes came or the time is up.
  std::string ReadFar(std::size_t Count, std::chrono::milliseconds Timeout);
  // Reads whatever arrives until the far side stays quiet for Quiet.
  std::string DrainFar(std::chrono::milliseconds Quiet = std::chrono::milliseconds(100));
  // Closes both ends held by the test: the component's side hangs up.
  void HangUp();

 private:
  int Master_ = -1;
  int Slave_ = -1;
  std::string Path_;
};

}  // namespace galt::test
