// Handlers of the hidden service panel. Each prepares the sequence variables
// and sends the first command; reply handling drives the rest of a pass.

#include "image/Firmware.h"
#include "image/HexImport.h"
#include "image/Stamp.h"
#include "sequences/LoaderCore.h"

namespace galt {

void LoaderCore::rd_fClick() {
  St_blk = std::to_string(SPBLL.Value());
  Memo1.Clear();
  link.CurrentCommand = cmdReadBlock;
  VerifyMode = false;
  ReadLineCount = 0;
  blockReplyAwaited_ = true;
  SendCommand();
}

void LoaderCore::ver_fClick() {
  StampSerialNumber(Memo1, StampLayout::Addressed, zn.Value());
  St_blk = "0";  // a verify always starts at block 0
  link.CurrentCommand = cmdReadBlock;
  VerifyMode = true;
  blockReplyAwaited_ = true;
  SendCommand();
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

bool LoaderCore::OpenHexFile(const std::filesystem::path& path) {
  int blockLimit = SPBLH.Value();
  if (const auto error = ImportHexFile(path, Memo1, blockLimit)) {
    boxes_.Show(BoxIcon::Error, texts::kErrorCaption, HexImportErrorText(*error));
    return false;
  }
  SPBLH.SetValue(blockLimit);
  return true;
}

}  // namespace galt
