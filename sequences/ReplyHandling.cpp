// What the loader does with each valid reply: count it, warn about another
// device model, then act on the reply's command byte. Block passes have no
// loop of their own: each accepted block reply sends the next command.

#include <cstdio>

#include "image/Stamp.h"
#include "sequences/LoaderCore.h"

namespace galt {

namespace {

constexpr std::size_t kLinePrefix = 6;  // " AAAAA" before the colon
constexpr std::size_t kCompareChars = 54;

// " AAAAA: XX XX ... XX" for the k-th line of a block reply.
std::string ReadLineText(const FrameBuffer& reply, unsigned address, int k) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char head[16];
  std::snprintf(head, sizeof head, " %05X:", address);
  std::string line(head);
  line.reserve(kLinePrefix + 1 + 3 * kLineBytes);
  for (int i = 0; i < kLineBytes; ++i) {
    const std::uint8_t b = reply[static_cast<std::size_t>(8 + 16 * k + i)];
    line.push_back(' ');
    line.push_back(kDigits[b >> 4]);
    line.push_back(kDigits[b & 0xF]);
  }
  return line;
}

unsigned SumOfEchoBytes(const FrameBuffer& frame) {
  return FrameSum(frame.data() + 6, kWritePayload);
}

}  // namespace

void LoaderCore::HandleReply() {
  // Work on a copy: a timer tick while a box below is open may send a command,
  // and that resets RxFrame under our feet.
  const FrameBuffer reply = link.RxFrame;

  AdvanceCounterText(st_rxd);
  if (reply[1] != DeviceModel) {
    // Never acted on: whatever it says, nothing may be written into a device
    // of another model. The sequence's own timeouts end what is under way.
    anotherModel_ = true;
    boxes_.Show(BoxIcon::Error, "", texts::kWrongModel);
    return;
  }

  switch (reply[4]) {
    case cmdQuery: {
      // Only the ladder's queries are answered into a confirmation: a late
      // answer to an ended install's must not confirm the next one unwritten.
      if (!Timer3->Enabled()) return;
      const int serial = zn.Value();
      const bool accepted = reply[1] == DeviceModel && SerialOfFrame(reply.data()) == serial && reply[5] == 2;
      if (!accepted) return;
      Gauge2.SetProgress(kLoadConfirmed);
      End(OperationEnd::Confirmed, BoxIcon::Information, texts::kActivationCaption, texts::kActivationDone);
      return;
    }

    case cmdActivate:
      if (IsActivationAck(reply.data()))
        boxes_.Show(BoxIcon::Information, texts::kActivationCaption, texts::kActivationDone);
      return;

    case cmdReadBlock: {
      const int block = BlockOfFrame(reply.data());
      const unsigned address = static_cast<unsigned>(block) * kBlockBytes;
      for (int k = 0; k < kBlockLines; ++k) {
        std::string text = ReadLineText(reply, address + 16u * static_cast<unsigned>(k), k);
        if (!VerifyMode) {
          Memo1.Append(std::move(text));
          ++ReadLineCount;
          continue;
        }
        const std::string_view shown = std::string_view(text).substr(1);
        sized1 = "FLASH-память: " + std::string(shown);
        const std::string_view body = LineBody(Memo1, block * kBlockLines + k);
        if (body.substr(0, kCompareChars) != shown.substr(0, kCompareChars)) {
          End(OperationEnd::VerifyMismatch, BoxIcon::Error, texts::kErrorCaption, texts::DataErrorText(block));
          return;
        }
      }
      if (block < SPBLH.Value() - 1) {
        St_blk = std::to_string(TextToInt(St_blk) + 1);
        link.CurrentCommand = cmdReadBlock;
        ReplyWatchdog->SetInterval(kBlockReplyWaitMs);  // a fresh wait for the next block
        SendCommand();
        return;
      }
      if (!VerifyMode) {
        while (ReadLineCount < kFullImageLines) Memo1.Append(BlankLineText(ReadLineCount++));
        End(OperationEnd::ReadDone, BoxIcon::Information, texts::kReadCaption, texts::kReadDone);
      } else {
        End(OperationEnd::VerifyDone, BoxIcon::Information, texts::kVerifyCaption, texts::kVerifyDone);
      }
      return;
    }

    case cmdWriteBlock: {
      // Only a block sent and not yet echoed is judged by its echo: a late
      // echo of a pass that has ended (its watchdog gave up) would otherwise
      // fail the next install at its deactivation, leaving its retries on.
      if (!Timer4->Enabled()) return;
      Timer4->SetEnabled(false);
      if (SumOfEchoBytes(reply) != SumOfEchoBytes(link.TxFrame)) {
        End(OperationEnd::WriteRejected, BoxIcon::Error, texts::kErrorCaption, texts::kWriteError);
        return;
      }
      const int block = BlockOfFrame(reply.data());
      if (block < SPBLH.Value() - 1) {
        const int confirmed = TextToInt(St_blk);
        writeEchoAt_ = clock_.NowMs();
        Gauge2.SetProgress(confirmed);
        St_blk = std::to_string(confirmed + 1);
        link.CurrentCommand = cmdWriteBlock;
        SendCommand();
      } else {
        Gauge2.SetProgress(kLoadAllWritten);
        link.CurrentCommand = cmdActivate;
        SendCommand();
        if (!Timer3->Enabled()) StartLadderStep();
        Timer3->SetEnabled(true);
      }
      return;
    }

    case cmdDeactivate: {
      if (!IsDeactivationAck(reply.data())) return;
      // Only a deactivation under way is answered by writing: a late
      // acknowledgement after its end must not start a pass nobody asked for.
      if (!Timer2->Enabled() && !Timer4->Enabled()) return;
      if (Timer4->Enabled()) {
        // The answer to a retry that was on its way when the first answer
        // came: writing has begun. Starting it again would send block 0 a
        // second time and take the echo of one for the other's; the block
        // awaited is still to be collected, perhaps from the same read.
        link.SetReplyAside();
        return;
      }
      DeactivateTries = kDeactivateRetries;
      Timer2->SetEnabled(false);
      Gauge1.SetProgress(100);
      StampSerialNumber(Memo1, StampLayout::DataLine, zn.Value());
      St_blk = std::to_string(SPBLL.Value());
      StartWritePass();
      link.CurrentCommand = cmdWriteBlock;
      VerifyMode = false;
      SendCommand();
      return;
    }

    default:
      return;
  }
}

}  // namespace galt
