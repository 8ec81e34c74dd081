// The read and verify a front end starts, and the handlers of the hidden
// service panel. Each prepares the sequence variables and sends the first
// command; reply handling drives the rest of a pass.

#include <algorithm>

#include "image/HexImport.h"
#include "image/Stamp.h"
#include "sequences/LoaderCore.h"

namespace galt {

void LoaderCore::StartRead(int serial, std::optional<int> blocks) {
  zn.SetValue(serial);
  SPBLL.SetValue(0);
  SPBLH.SetValue(blocks.value_or(kBlockLimitDefault));
  rd_fClick();
}

void LoaderCore::StartVerify(int serial, std::optional<int> blocks) {
  zn.SetValue(serial);
  // The import set the limit to the blocks the file covers, plus two; the
  // flash has no blocks beyond its end to compare.
  SPBLH.SetValue(blocks.value_or(std::min(SPBLH.Value(), kFlashBlocks)));
  ver_fClick();
}

void LoaderCore::rd_fClick() {
  anotherModel_ = false;
  St_blk = std::to_string(SPBLL.Value());
  Memo1.Clear();
  link.CurrentCommand = cmdReadBlock;
  VerifyMode = false;
  ReadLineCount = 0;
  ReplyWatchdog->SetEnabled(true);
  SendCommand();
}

void LoaderCore::ver_fClick() {
  anotherModel_ = false;
  StampSerialNumber(Memo1, StampLayout::Addressed, zn.Value());
  St_blk = "0";  // a verify always starts at block 0
  link.CurrentCommand = cmdReadBlock;
  VerifyMode = true;
  ReplyWatchdog->SetEnabled(true);
  SendCommand();
}

void LoaderCore::ReplyWatchdogTimer() {
  End(OperationEnd::ReplyMissing, BoxIcon::Error, texts::kErrorCaption, texts::BlockReplyMissingText(St_blk));
}

void LoaderCore::wr_fClick() {
  StampSerialNumber(Memo1, StampLayout::Addressed, zn.Value());
  St_blk = std::to_string(SPBLL.Value());
  StartWritePass();
  link.CurrentCommand = cmdWriteBlock;
  VerifyMode = false;
  SendCommand();
}

void LoaderCore::activeClick() {
  link.CurrentCommand = cmdActivate;
  SendCommand();
}

void LoaderCore::Button2Click() { FillBlankImage(Memo1, kFullImageLines); }

void LoaderCore::Button1Click() {
  st_txd = "0";
  st_rxd = "0";
}

bool LoaderCore::OpenHex(const std::function<std::optional<HexImportError>(int& blockLimit)>& import) {
  int blockLimit = SPBLH.Value();
  if (const auto error = import(blockLimit)) {
    boxes_.Show(BoxIcon::Error, texts::kErrorCaption, HexImportErrorText(*error));
    return false;
  }
  SPBLH.SetValue(blockLimit);
  return true;
}

bool LoaderCore::OpenHexFile(const std::filesystem::path& path) {
  return OpenHex([&](int& blockLimit) { return ImportHexFile(path, Memo1, blockLimit); });
}

bool LoaderCore::OpenHexBytes(std::string_view bytes) {
  return OpenHex([&](int& blockLimit) { return ImportHexBytes(bytes, Memo1, blockLimit); });
}

}  // namespace galt
