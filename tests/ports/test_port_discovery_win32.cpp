// Port discovery on Windows, under Wine: the ports the system names (the
// registry's SERIALCOMM, SetupAPI's Ports devices) are listed by their COM
// names without opening any, up to COM256 and beyond; SetupAPI's texts come
// through as UTF-8 (and up a port's parents); the monitor fires when the
// system names a port.

#include "SerialFixture.h"
#include "tests/support/win32/SystemPortRecords.h"
#include "ports/PortDescription.h"
#include "ports/PortDiscovery.h"
#include "ports/PortMonitor.h"
#include "winutil/SystemComPorts.h"
#include "winutil/WideText.h"

#include <windows.h>

#include <tuple>

namespace galt::test {
namespace {

class SerialPortsWin32 : public SerialTest {};

TEST_F(SerialPortsWin32, PortsTheSystemNamesAreListedWithoutOpeningAny) {
  const std::string name = ShortPortName(Far.Path());  // "COM12"
  SerialCommValue named(L"\\Device\\GaltTest0", WideFromUtf8(name));
  FarSide unnamed;  // a line behind a port the system does not name

  const TSerPortScan scan = ScanPortTable(TSerPortTable::System());
  const TSerPortEntry* entry = scan.Find(Far.Path());
  ASSERT_NE(entry, nullptr) << name << " is not listed";
  EXPECT_EQ(entry->Name, name);
  EXPECT_EQ(entry->PortNum, std::stoi(name.substr(3)));
  EXPECT_EQ(entry->Description, "GaltTest0") << "the driver's device names a port SetupAPI does not know";
  EXPECT_FALSE(entry->Busy);
  EXPECT_EQ(scan.Find(unnamed.Path()), nullptr) << "it opens, but the system does not name it";
  EXPECT_TRUE(scan.Denied.empty());
  EXPECT_EQ(Far.Opens(), 0) << "the scan opened the port";
  EXPECT_EQ(unnamed.Opens(), 0) << "the scan opened a port to find out whether it is there";

  // The count sees an open: the component's.
  Comm.Open();
  EXPECT_EQ(Far.Opens(), 1);
}

TEST_F(SerialPortsWin32, TheOpenPortIsListedAsOursAndOnlyAnOpenTellsAnotherProgramsPort) {
  SerialCommValue named(L"\\Device\\GaltTest0", WideFromUtf8(ShortPortName(Far.Path())));
  Comm.Open();
  TSerScanOptions options;
  options.OwnPath = Far.Path();
  const TSerPortEntry* own = ScanPortTable(TSerPortTable::System(), options).Find(Far.Path());
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(own->Own);
  const TSerPortEntry* held = ScanPortTable(TSerPortTable::System()).Find(Far.Path());
  ASSERT_NE(held, nullptr);
  EXPECT_FALSE(held->Busy) << "a scan opens nothing, so it cannot know";
  if (UnderWine()) GTEST_SKIP() << "Wine does not enforce exclusive opens: no port is ever busy";
  EXPECT_TRUE(PortIsBusy(Far.Path()));
  EXPECT_TRUE(PortHoldersOf(Far.Path()).empty()) << "Windows names no holder";
}

TEST(SerialPortTableWin32, APortTheSystemNamesBeyond256IsInTheTableAndListed) {
  SerialCommValue named(L"\\Device\\GaltTest300", L"COM300");
  // The highest a name carries: the scan goes through the ports, not the numbers below.
  SerialCommValue top(L"\\Device\\GaltTestTop", L"COM2147483647");
  const TSerPortTable table = TSerPortTable::System();
  EXPECT_EQ(table.PathOf(300), "\\\\.\\COM300");
  EXPECT_FALSE(table.PathOf(299));
  const TSerPortScan scan = ScanPortTable(table);
  EXPECT_NE(scan.Find("\\\\.\\COM2147483647"), nullptr);
  const TSerPortEntry* entry = scan.Find("\\\\.\\COM300");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->Name, "COM300");
  EXPECT_EQ(entry->PortNum, 300);
}

TEST(SerialPortDescriptionWin32, SetupApiTextsComeThroughAsUtf8) {
  PortsClassDevice device(L"COM140", L"Последовательный порт (COM140)", L"Завод «Тест»");
  const TSerPortEntry* entry = ScanPortTable(TSerPortTable::System()).Find("\\\\.\\COM140");
  ASSERT_NE(entry, nullptr) << "a Ports device is listed by its port name";
  EXPECT_EQ(entry->Description, "Последовательный порт (COM140), Завод «Тест»");
  EXPECT_EQ(entry->AdapterSerial, "");
  EXPECT_FALSE(entry->Bluetooth);
}

// What the port's description and the trace's settings line speak of.
TEST(SerialPortDescriptionWin32, AnFtdiPortsLatencyTimerIsReadFromItsDeviceParameters) {
  PortsClassDevice ftdi(L"COM143", L"USB Serial Port (COM143)", L"FTDI",
                        L"FTDIBUS\\VID_0403+PID_6001+A10K3ZQ1A\\0000", 16);
  PortsClassDevice other(L"COM144", L"USB-SERIAL CH340 (COM144)", L"wch.cn", L"", 16);
  const TSerPortEntry* entry = ScanPortTable(TSerPortTable::System()).Find("\\\\.\\COM143");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->LatencyTimerMs, 16u);
  EXPECT_EQ(PortFactsOf("\\\\.\\COM144").LatencyTimerMs, 0u) << "only FTDI's driver keeps one";
}

TEST(SerialPortDescriptionWin32, TheAdapterSerialComesFromAUsbInstanceId) {
  EXPECT_EQ(AdapterSerialOfInstanceId("USB\\VID_0403&PID_6001\\A10K3ZQ1"), "A10K3ZQ1");
  EXPECT_EQ(AdapterSerialOfInstanceId("usb\\VID_067B&PID_2303\\5&2B1C3E0&0&2"), "");  // made up by Windows
  EXPECT_EQ(AdapterSerialOfInstanceId("ACPI\\PNP0501\\1"), "");
  EXPECT_EQ(AdapterSerialOfInstanceId("USB\\"), "");
}

TEST(SerialPortDescriptionWin32, TheAdapterSerialIsFoundUpThePortsParents) {
  // FTDI's ports sit on its own bus below the USB device.
  EXPECT_EQ(AdapterSerialOfInstanceIds({"FTDIBUS\\VID_0403+PID_6001+A10K3ZQ1A\\0000",
                                        "USB\\VID_0403&PID_6001\\A10K3ZQ1", "USB\\ROOT_HUB30\\4&1B2C3D4&0&0"}),
            "A10K3ZQ1");
  // A CDC port is one interface of a composite device.
  EXPECT_EQ(AdapterSerialOfInstanceIds({"USB\\VID_2341&PID_8036&MI_00\\6&3A7F1C2&0&0000",
                                        "USB\\VID_2341&PID_8036\\7573530333135", "USB\\ROOT_HUB30\\4&1B2C3D4&0&0"}),
            "7573530333135");
  EXPECT_EQ(AdapterSerialOfInstanceIds({"USB\\VID_10C4&PID_EA60\\0001", "USB\\ROOT_HUB30\\4&1B2C3D4&0&0"}), "0001");
  // No serial of its own: the hub above has none to give either.
  EXPECT_EQ(AdapterSerialOfInstanceIds({"USB\\VID_067B&PID_2303\\5&2B1C3E0&0&2", "USB\\ROOT_HUB30\\4&1B2C3D4&0&0"}),
            "");
  EXPECT_EQ(AdapterSerialOfInstanceIds(
                {"BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&2A4B1C2&0&001122334455_C00000000",
                 "BTH\\MS_BTHBRB\\6&1D2E3F4&0&1"}),
            "");
  EXPECT_EQ(AdapterSerialOfInstanceIds({"ACPI\\PNP0501\\1", "ACPI\\PNP0A08\\0"}), "");
  EXPECT_EQ(AdapterSerialOfInstanceIds({}), "");
}

TEST(SerialPortDescriptionWin32, ProductAndMakerAreFoundUpThePortsParentsWhereItsNodeLacksThem) {
  // Recorded trees, the port's node first; a hub above says nothing of a port.
  const TSerDeviceNode hub{"USB\\ROOT_HUB30\\4&1B2C3D4&0&0", "USB Root Hub (USB 3.0)", "(Standard USB HUBs)"};
  const struct {
    std::vector<TSerDeviceNode> nodes;
    TSerAdapterTexts texts;
  } trees[] = {
      // FTDI's bus knows the maker only; its USB device the product.
      {{{"FTDIBUS\\VID_0403+PID_6001+A10K3ZQ1A\\0000", "", "FTDI"},
        {"USB\\VID_0403&PID_6001\\A10K3ZQ1", "FT232R USB UART", "FTDI Ltd"}, hub},
       {"FT232R USB UART", "FTDI", "A10K3ZQ1"}},
      // Interface 0 of a composite CDC device knows nothing of either.
      {{{"USB\\VID_2341&PID_8036&MI_00\\6&3A7F1C2&0&0000", "", ""},
        {"USB\\VID_2341&PID_8036\\7573530333135", "Arduino Leonardo", "Arduino LLC"}, hub},
       {"Arduino Leonardo", "Arduino LLC", "7573530333135"}},
      {{{"USB\\VID_067B&PID_2303\\5&2B1C3E0&0&2", "USB-Serial Controller", ""}, hub}, {"USB-Serial Controller", "", ""}},
  };
  for (const auto& tree : trees) {
    const TSerAdapterTexts got = AdapterTextsOfNodes(tree.nodes);
    EXPECT_EQ(std::tie(got.Product, got.Maker, got.Serial),
              std::tie(tree.texts.Product, tree.texts.Maker, tree.texts.Serial));
  }
}

TEST(SerialPortMonitorWin32, SignalsWhenTheSystemNamesAPortAndWhenItGoes) {
  TSerPortMonitor monitor(TSerPortTable::System());
  const std::vector<TSerHandle> handles = monitor.Handles();
  ASSERT_EQ(handles.size(), 1u);
  const auto changed = reinterpret_cast<HANDLE>(handles.front());
  EXPECT_FALSE(monitor.TakeChanges());
  {
    SerialCommValue named(L"\\Device\\GaltTest141", L"COM141");
    EXPECT_EQ(::WaitForSingleObject(changed, 2000), WAIT_OBJECT_0);
    EXPECT_TRUE(monitor.TakeChanges());
    EXPECT_EQ(::WaitForSingleObject(changed, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(monitor.TakeChanges()) << "taken already";
  }
  // Armed again: the port going is a change too.
  EXPECT_EQ(::WaitForSingleObject(changed, 2000), WAIT_OBJECT_0);
  EXPECT_TRUE(monitor.TakeChanges());
}

// A machine that never had a serial port has no SERIALCOMM: the first
// port's driver makes it, and that must signal too.
TEST(SerialPortMonitorWin32, SignalsTheFirstPortOfAMachineThatNeverHadOne) {
  struct Restore {
    std::vector<TSerSystemPort> Saved = SystemComPorts();
    ~Restore() {
      for (const TSerSystemPort& p : Saved) NameSystemPort(WideFromUtf8(p.Device), WideFromUtf8(p.Name));
    }
  } restore;
  ASSERT_EQ(::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSerialCommKey), ERROR_SUCCESS);
  TSerPortMonitor monitor(TSerPortTable::System());
  const std::vector<TSerHandle> handles = monitor.Handles();
  ASSERT_EQ(handles.size(), 1u);
  const auto changed = reinterpret_cast<HANDLE>(handles.front());
  {
    SerialCommValue named(L"\\Device\\GaltTest142", L"COM142");
    EXPECT_EQ(::WaitForSingleObject(changed, 2000), WAIT_OBJECT_0);
    EXPECT_TRUE(monitor.TakeChanges());
  }
  // Watching the key itself now.
  EXPECT_EQ(::WaitForSingleObject(changed, 2000), WAIT_OBJECT_0);
  EXPECT_TRUE(monitor.TakeChanges());
}

}  // namespace
}  // namespace galt::test
