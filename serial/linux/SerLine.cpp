#include "serial/linux/SerLine.h"

// termios2 and BOTHER; never include <termios.h> in this file.
#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdint>

namespace galt {

namespace {

int Ioctl(int Fd, unsigned long Request, void* Arg) {
  int r;
  do {
    r = ::ioctl(Fd, Request, Arg);
  } while (r < 0 && errno == EINTR);
  return r < 0 ? errno : 0;
}

// Drives one modem line. Devices without modem lines refuse the request with
// ENOTTY or EINVAL; that is not an error.
int SetModemLine(int Fd, int Bit, int State) {
  if (State < 0) return 0;
  int bits = Bit;
  const int err = Ioctl(Fd, State ? TIOCMBIS : TIOCMBIC, &bits);
  return (err == ENOTTY || err == EINVAL) ? 0 : err;
}

}  // namespace

int SerApplyLineConfig(int Fd, const TSerLineConfig& Config) {
  // Baud 0 would hang the line up; 4 data bits do not exist here.
  if (Config.Baud == 0 || Config.DataBits < 5 || Config.DataBits > 8 || Config.Parity < 0 ||
      Config.Parity > 4 || Config.StopBits < 0 || Config.StopBits > 2) {
    return EINVAL;
  }
  termios2 t{};
  if (int err = Ioctl(Fd, TCGETS2, &t)) return err;
  const termios2 previous = t;

  // Raw mode: no input or output processing, no echo, no signals.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                       IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;

  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CREAD | CLOCAL;
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[Config.DataBits - 5];
  switch (Config.Parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  // Linux has no 1.5 stop bits flag; CSTOPB gives 1.5 with 5 data bits.
  if (Config.StopBits != 0) t.c_cflag |= CSTOPB;
  // One switch covers both directions: CTS watched on output, RTS driven by
  // the input queue.
  if (Config.OutCtsFlow || Config.RtsControl == 2) t.c_cflag |= CRTSCTS;
  if (Config.XonXoffOut) t.c_iflag |= IXON;
  if (Config.XonXoffIn) t.c_iflag |= IXOFF;
  if (Config.ParityCheck) t.c_iflag |= INPCK;
  t.c_cc[VSTART] = static_cast<cc_t>(Config.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(Config.XoffChar);

  // Same rate both ways, given as a number.
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = Config.Baud;
  t.c_ospeed = Config.Baud;
  if (int err = Ioctl(Fd, TCSETS2, &t)) return err;

  // A driver answers a rate it cannot make with the nearest one it can (or
  // keeps the old one) without failing; only the read-back tells.
  termios2 taken{};
  if (int err = Ioctl(Fd, TCGETS2, &taken)) return err;
  const bool inputTaken = taken.c_ispeed == 0 || SerBaudAccepted(Config.Baud, taken.c_ispeed);
  if (!SerBaudAccepted(Config.Baud, taken.c_ospeed) || !inputTaken) {
    termios2 restore = previous;
    (void)Ioctl(Fd, TCSETS2, &restore);
    return EINVAL;
  }

  // Only "off" and "on" are driven; the handshakes belong to the driver.
  const int dtr = Config.DtrControl <= 1 ? Config.DtrControl : -1;
  const int rts = Config.RtsControl <= 1 ? Config.RtsControl : -1;
  if (int err = SetModemLine(Fd, TIOCM_DTR, dtr)) return err;
  return SetModemLine(Fd, TIOCM_RTS, rts);
}

bool SerBaudAccepted(std::uint32_t Requested, std::uint32_t Actual) {
  if (Requested == 0) return false;
  const std::uint64_t diff = Actual > Requested ? Actual - Requested : Requested - Actual;
  return diff * 50u <= Requested;
}

bool SerAskLowLatency(int Fd, bool& WasSet) {
  WasSet = false;
  serial_struct info{};
  if (Ioctl(Fd, TIOCGSERIAL, &info) != 0) return false;
  WasSet = (info.flags & ASYNC_LOW_LATENCY) != 0;
  if (!WasSet) {
    info.flags |= ASYNC_LOW_LATENCY;
    if (Ioctl(Fd, TIOCSSERIAL, &info) != 0) return false;
  }
  // Some drivers take the call and keep no such flag (cdc-acm, ch341): only
  // the read-back tells.
  serial_struct taken{};
  return Ioctl(Fd, TIOCGSERIAL, &taken) == 0 && (taken.flags & ASYNC_LOW_LATENCY) != 0;
}

void SerDropLowLatency(int Fd) {
  serial_struct info{};
  if (Ioctl(Fd, TIOCGSERIAL, &info) != 0 || (info.flags & ASYNC_LOW_LATENCY) == 0) return;
  info.flags &= ~ASYNC_LOW_LATENCY;
  (void)Ioctl(Fd, TIOCSSERIAL, &info);
}

int SerDiscardInput(int Fd) {
  int r;
  do {
    r = ::ioctl(Fd, TCFLSH, TCIFLUSH);
  } while (r < 0 && errno == EINTR);
  return r < 0 ? errno : 0;
}

bool SerReadLineCounters(int Fd, TSerLineCounters& Counters) {
  serial_icounter_struct ic{};
  if (Ioctl(Fd, TIOCGICOUNT, &ic) != 0) return false;
  Counters.Cts = static_cast<std::uint32_t>(ic.cts);
  Counters.Dsr = static_cast<std::uint32_t>(ic.dsr);
  Counters.Ring = static_cast<std::uint32_t>(ic.rng);
  Counters.Dcd = static_cast<std::uint32_t>(ic.dcd);
  Counters.Frame = static_cast<std::uint32_t>(ic.frame);
  Counters.Overrun = static_cast<std::uint32_t>(ic.overrun);
  Counters.Parity = static_cast<std::uint32_t>(ic.parity);
  Counters.Break = static_cast<std::uint32_t>(ic.brk);
  Counters.BufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
  return true;
}

}  // namespace galt
