// The service panel's handlers against the virtual device: read, verify and
// write passes, activation, clearing and the counters.

#include <gtest/gtest.h>

#include "tests/sequences/Harness.h"

namespace galt {
namespace {

using testing::Harness;

// A device whose flash holds the carried image stamped with `serial`, as a
// successful install leaves it.
void Install(Harness& h, int serial) {
  h.core.zn.SetValue(serial);
  h.core.Button4Click();
  ASSERT_TRUE(h.RunToBox());
  ASSERT_EQ(h.LastBox().text, "Активизация программы выполнена");
  h.boxes.boxes.clear();
  h.link.sent.clear();
}

// Install with `serial`, then read the device back into the image.
void InstallAndReadBack(Harness& h, int serial) {
  Install(h, serial);
  h.core.rd_fClick();
  ASSERT_TRUE(h.RunToBox());
  ASSERT_EQ(h.LastBox().text, "Данные FLASH-памяти считаны");
  h.boxes.boxes.clear();
}

TEST(ServiceRead, ReadsEveryBlockThenFillsTheImageWithBlankLines) {
  Harness h;
  Install(h, 100);
  h.core.rd_fClick();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().icon, BoxIcon::Information);
  EXPECT_EQ(h.LastBox().caption, "Считывание FLASH-памяти");
  EXPECT_EQ(h.LastBox().text, "Данные FLASH-памяти считаны");
  EXPECT_EQ(h.SentCount(cmdReadBlock), 233);
  EXPECT_EQ(h.core.ReadLineCount, 7936);
  ASSERT_EQ(h.core.Memo1.Count(), 7936u);
  // 1864 read lines carry the device's bytes in the addressed form ...
  EXPECT_EQ(h.core.Memo1.Line(0).substr(0, 13), " 00000: 0C 94");
  EXPECT_EQ(h.core.Memo1.Line(1863).substr(0, 7), " 07470:");
  // ... then 6072 blank lines numbered by their index.
  EXPECT_EQ(h.core.Memo1.Line(1864), BlankLineText(1864));
  EXPECT_EQ(h.core.Memo1.Line(1864).substr(0, 7), " 07480:");
  EXPECT_EQ(h.core.Memo1.Line(7935), BlankLineText(7935));
}

TEST(ServiceRead, WithNoPortOpenOnlyTheFirstFrameIsCounted) {
  Harness h;
  h.link.open = false;
  h.core.St_blk = "57";
  h.core.rd_fClick();
  h.clock.Advance(10000);
  EXPECT_EQ(h.core.St_blk, "0");
  EXPECT_EQ(h.core.Memo1.Count(), 0u);
  EXPECT_EQ(h.core.st_txd, "1");
  ASSERT_EQ(h.boxes.boxes.size(), 1u) << "the pass ends on its silence";
  EXPECT_EQ(h.LastBox().text, "Устройство не ответило на чтение блока 0. Проверьте подключение и повторите.");
}

TEST(ServiceVerify, PassesWithTheSerialNumberTheDeviceWasProgrammedWith) {
  Harness h;
  InstallAndReadBack(h, 100);

  h.core.St_blk = "40";  // a verify starts at block 0 whatever St_blk shows
  h.link.sent.clear();
  h.core.ver_fClick();
  ASSERT_FALSE(h.link.sent.empty());
  EXPECT_EQ(static_cast<std::uint8_t>(h.link.sent[0][7]), 0);
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().caption, "Проверка FLASH-памяти");
  EXPECT_EQ(h.LastBox().text, "Данные FLASH-памяти проверены");
  EXPECT_EQ(h.core.sized1.rfind("FLASH-память: 07470:", 0), 0u) << h.core.sized1;

  // A second verify stamps the same digits and keeps the image as it was.
  const auto before = h.core.Memo1.Lines();
  h.boxes.boxes.clear();
  h.core.ver_fClick();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().text, "Данные FLASH-памяти проверены");
  EXPECT_EQ(h.core.Memo1.Lines(), before);
}

TEST(ServiceVerify, AnotherSerialNumberStopsInBlock217) {
  Harness h;
  InstallAndReadBack(h, 100);
  h.core.zn.SetValue(101);
  h.core.ver_fClick();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().caption, "  Tornel Ltd");
  EXPECT_EQ(h.LastBox().text, "Ошибка данных FLASH! Блок 217 отличается от файла. Проверьте, тот ли это файл.");
  EXPECT_EQ(h.core.St_blk, "217");
  EXPECT_EQ(h.SentCount(cmdReadBlock), 233 + 218);
  h.clock.Advance(5000);
  EXPECT_EQ(h.boxes.boxes.size(), 1u);
}

TEST(ServiceVerify, ALastDigitDifferenceInTheSixteenthByteIsCaught) {
  Harness h;
  h.core.Button2Click();
  h.device.flash[15] = 0xFE;  // the image says FF
  h.core.SPBLH.SetValue(10);
  h.core.ver_fClick();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().text.rfind("Ошибка данных FLASH! Блок 0 ", 0), 0u) << h.LastBox().text;
  EXPECT_EQ(h.core.sized1, "FLASH-память: 00000: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FE");
}

TEST(ServiceWrite, ReadVerifyAndWriteBackLeaveTheFlashAsItWasRead) {
  Harness h;
  InstallAndReadBack(h, 300);
  const std::vector<std::uint8_t> read = h.device.flash;
  h.core.ver_fClick();
  ASSERT_TRUE(h.RunToBox());
  ASSERT_EQ(h.LastBox().text, "Данные FLASH-памяти проверены");

  // Erase the device, then write the read image back.
  std::fill(h.device.flash.begin(), h.device.flash.end(), 0xFF);
  h.boxes.boxes.clear();
  h.link.sent.clear();
  h.core.wr_fClick();
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 233);
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_EQ(h.device.flash, read);
  EXPECT_EQ(h.core.Gauge2.Progress(), 240);
}

TEST(ServiceDeactivate, ImageOfAddressedLinesIsStampedAndWrittenByItsOwnForm) {
  Harness h;
  InstallAndReadBack(h, 200);
  const std::vector<std::uint8_t> read = h.device.flash;
  std::fill(h.device.flash.begin(), h.device.flash.end(), 0xFF);
  h.boxes.boxes.clear();
  h.core.Gauge2.SetProgress(77);
  h.core.deactiveClick();
  EXPECT_EQ(h.core.Gauge2.Progress(), 77);  // not reset by the service entry
  ASSERT_TRUE(h.RunToBox());
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_EQ(h.device.flash, read);
}

TEST(ServiceActivate, AcknowledgementShowsTheBoxOnceAndChangesNothingElse) {
  Harness h;
  h.device.faults.shortActivationAck = true;
  h.core.Gauge2.SetProgress(12);
  h.core.activeClick();
  h.clock.Advance(3000);
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().caption, "Активизация программы");
  EXPECT_EQ(h.LastBox().text, "Активизация программы выполнена");
  EXPECT_EQ(h.core.Gauge2.Progress(), 12);
  EXPECT_FALSE(h.core.Timer2->Enabled());
  EXPECT_FALSE(h.core.Timer3->Enabled());
  EXPECT_FALSE(h.core.Timer4->Enabled());
}

TEST(ServicePanel, RepliesFromAnotherModelAreOnlyWarnedAbout) {
  Harness h;
  h.device.faults.model = 7;
  h.device.faults.shortActivationAck = true;
  h.core.rd_fClick();
  h.clock.Advance(1000);
  EXPECT_EQ(h.core.Memo1.Count(), 0u) << "the block read is not appended";
  EXPECT_EQ(h.SentCount(cmdReadBlock), 1);
  h.core.activeClick();
  h.clock.Advance(1000);
  EXPECT_EQ(h.boxes.CountText("Устройство не соответствует модификации!"), 2u);
  EXPECT_EQ(h.boxes.CountText("Активизация программы выполнена"), 0u) << "no activation box";
}

TEST(ServicePanel, ClearAndCounterReset) {
  Harness h;
  EXPECT_EQ(h.core.Memo1.Count(), 7937u);
  h.core.Button2Click();
  ASSERT_EQ(h.core.Memo1.Count(), 7936u);
  EXPECT_EQ(h.core.Memo1.Line(7935).substr(0, 7), " 1EFF0:");
  EXPECT_TRUE(h.link.sent.empty());

  h.core.activeClick();
  h.clock.Advance(10);
  EXPECT_EQ(h.core.st_txd, "1");
  EXPECT_EQ(h.core.st_rxd, "1");
  h.core.Button1Click();
  EXPECT_EQ(h.core.st_txd, "0");
  EXPECT_EQ(h.core.st_rxd, "0");
  EXPECT_EQ(h.link.sent.size(), 1u);
  h.core.Button3Click();
  EXPECT_EQ(h.link.sent.size(), 1u);
}

TEST(ServiceHexImport, ImportedImageIsWrittenByTheServiceWrite) {
  Harness h;
  const std::string path = ::testing::TempDir() + "/service_import.hex";
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs(":020000020000FC\r\n:10000000000102030405060708090A0B0C0D0E0F78\r\n"
               ":040010001122334442\r\n:00000001FF\r\n", f);
    std::fclose(f);
  }
  h.core.OpenHexFile(path);
  EXPECT_TRUE(h.boxes.boxes.empty());
  EXPECT_EQ(h.core.SPBLH.Value(), 10);
  ASSERT_EQ(h.core.Memo1.Count(), 7936u);
  EXPECT_EQ(h.core.Memo1.Line(1), " 00010: 11 22 33 44 FF FF FF FF FF FF FF FF FF FF FF FF ");

  h.core.wr_fClick();
  h.clock.RunUntil([&] { return h.SentCount(cmdActivate) == 1; }, 60000);
  EXPECT_EQ(h.SentCount(cmdWriteBlock), 10);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(h.device.flash[i], i);
  EXPECT_EQ(h.device.flash[16], 0x11);
  EXPECT_EQ(h.device.flash[20], 0xFF);
}

TEST(ServiceHexImport, RefusedFileChangesNothingAndIsReported) {
  Harness h;
  h.core.SPBLH.SetValue(500);
  const auto before = h.core.Memo1.Lines();
  h.core.OpenHexFile(::testing::TempDir() + "/no_such_file.hex");
  ASSERT_EQ(h.boxes.boxes.size(), 1u);
  EXPECT_EQ(h.LastBox().caption, "  Tornel Ltd");
  EXPECT_EQ(h.LastBox().icon, BoxIcon::Error);
  EXPECT_FALSE(h.LastBox().text.empty());
  EXPECT_EQ(h.core.SPBLH.Value(), 500);
  EXPECT_EQ(h.core.Memo1.Lines(), before);
}

}  // namespace
}  // namespace galt
