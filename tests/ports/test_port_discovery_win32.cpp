// Port discovery on Windows: the COM ports of the system's table that open,
// by their own names.

#include "SerialFixture.h"
#include "ports/PortDescription.h"
#include "ports/PortDiscovery.h"

namespace galt::test {
namespace {

class SerialPortsWin32 : public SerialTest {};

TEST_F(SerialPortsWin32, APortThatOpensIsListedByItsComName) {
  const std::string name = ShortPortName(Far.Path());  // "COM12"
  const TSerPortScan scan = ScanPortTable(TSerPortTable::System());
  const TSerPortEntry* entry = scan.Find(Far.Path());
  ASSERT_NE(entry, nullptr) << name << " is not listed";
  EXPECT_EQ(entry->Name, name);
  EXPECT_EQ(entry->PortNum, std::stoi(name.substr(3)));
  EXPECT_FALSE(entry->Busy);
  EXPECT_TRUE(scan.Denied.empty());
  // A port with nothing behind it is not listed.
  EXPECT_EQ(scan.Find("\\\\.\\COM96"), nullptr);
}

TEST_F(SerialPortsWin32, TheOpenPortIsListedAsOursAndAnotherProgramsAsBusy) {
  Comm.Open();
  TSerScanOptions options;
  options.OwnPath = Far.Path();
  const TSerPortEntry* own = ScanPortTable(TSerPortTable::System(), options).Find(Far.Path());
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(own->Own);
  if (UnderWine()) GTEST_SKIP() << "Wine does not enforce exclusive opens: no port is ever busy";
  const TSerPortEntry* busy = ScanPortTable(TSerPortTable::System()).Find(Far.Path());
  ASSERT_NE(busy, nullptr);
  EXPECT_TRUE(busy->Busy);
  EXPECT_TRUE(busy->Holders.empty()) << "Windows names no holder";
}

TEST(SerialPortDescriptionWin32, TheAdapterSerialComesFromAUsbInstanceId) {
  EXPECT_EQ(AdapterSerialOfInstanceId("USB\\VID_0403&PID_6001\\A10K3ZQ1"), "A10K3ZQ1");
  EXPECT_EQ(AdapterSerialOfInstanceId("usb\\VID_067B&PID_2303\\5&2B1C3E0&0&2"), "");  // made up by Windows
  EXPECT_EQ(AdapterSerialOfInstanceId("ACPI\\PNP0501\\1"), "");
  EXPECT_EQ(AdapterSerialOfInstanceId("USB\\"), "");
}

}  // namespace
}  // namespace galt::test
