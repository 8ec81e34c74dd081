// The Qt hand-over: calls posted from worker threads run on the thread of the
// dispatcher's context object, and a component's events arrive there.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "PtyPair.h"
#include "serial/qt/QtDispatcher.h"
#include "serial/SerComm.h"

namespace galt::test {
namespace {

class QtDispatcher : public ::testing::Test {
 protected:
  // One application object for the suite, on the main (GUI) thread.
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "serial_tests";
    static char* argv[] = {name, nullptr};
    App = new QCoreApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete App;
    App = nullptr;
  }
  static QCoreApplication* App;
};

QCoreApplication* QtDispatcher::App = nullptr;

bool ProcessUntil(const std::function<bool()>& Done, int TimeoutMs = 2000) {
  QElapsedTimer timer;
  timer.start();
  while (!Done() && timer.elapsed() < TimeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return Done();
}

TEST_F(QtDispatcher, CallsPostedFromAWorkerRunOnTheGuiThreadInOrder) {
  TSerQtDispatcher dispatcher;
  std::vector<int> order;
  std::atomic<bool> otherThread{false};
  std::thread worker([&] {
    for (int i = 0; i < 5; ++i) {
      dispatcher.Post([&, i] {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) otherThread = true;
        order.push_back(i);
      });
    }
  });
  worker.join();
  EXPECT_TRUE(order.empty());  // nothing runs until the event loop does
  ASSERT_TRUE(ProcessUntil([&] { return order.size() == 5; }));
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(otherThread);
}

TEST_F(QtDispatcher, CallsForADestroyedContextAreDropped) {
  bool ran = false;
  {
    TSerQtDispatcher dispatcher;
    dispatcher.Post([&] { ran = true; });
  }
  QCoreApplication::processEvents();
  EXPECT_FALSE(ran);
}

TEST_F(QtDispatcher, ComponentEventsArriveOnTheGuiThread) {
  PtyPair pty;
  TSerQtDispatcher dispatcher;
  TSerComm comm(&dispatcher);
  comm.SetBaudrate(br14400);
  comm.FlowControl().SetControlRts(rtsEnabled);
  comm.SetDeviceName(pty.Path());
  std::string received;
  bool onGuiThread = true;
  comm.OnRxChar = [&](TSerCustomComm* Sender, int) {
    onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    received += Sender->ReadText();
  };
  comm.Open();
  ASSERT_TRUE(comm.WriteText("query"));
  EXPECT_EQ(pty.ReadFar(5, std::chrono::milliseconds(2000)), "query");
  pty.WriteFar("answer");
  ASSERT_TRUE(ProcessUntil([&] { return received == "answer"; }));
  EXPECT_TRUE(onGuiThread);
  comm.Close();
}

}  // namespace
}  // namespace galt::test
