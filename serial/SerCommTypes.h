#pragma once
// Enumerations, sets, event bits and status records of the serial component.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>

namespace galt {

enum TSerBaudrate : std::uint8_t {
  brUser, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
  br56000, br57600, br115200, br128000, br256000
};
enum TSerParity : std::uint8_t { paNone, paOdd, paEven, paMark, paSpace };
enum TSerDatabits : std::uint8_t { db4, db5, db6, db7, db8 };
enum TSerStopbits : std::uint8_t { sb1, sb15, sb2 };
enum TSerCommEvent : std::uint8_t {
  ceBreak, ceCts, ceDsr, ceError, ceRing, ceRlsd, ceRxChar, ceTxEmpty, ceRxFlag, cePErr,
  ceRx80Full, ceEvent1, ceEvent2
};
enum TSerCommOption : std::uint8_t { coErrorChar, coNullStrip, coParityCheck };

// The rate of a TSerBaudrate value; 0 for brUser.
std::uint32_t BaudrateValue(TSerBaudrate Rate);

// A set of enumeration values held as bits: bit n is the value with ordinal n.
template <class E, class Bits>
class TSerSet {
 public:
  constexpr TSerSet() = default;
  constexpr TSerSet(std::initializer_list<E> Values) {
    for (E v : Values) Include(v);
  }
  static constexpr TSerSet FromBits(Bits Value) {
    TSerSet s;
    s.Bits_ = Value;
    return s;
  }
  constexpr void Include(E Value) { Bits_ = static_cast<Bits>(Bits_ | Bit(Value)); }
  constexpr void Exclude(E Value) { Bits_ = static_cast<Bits>(Bits_ & ~Bit(Value)); }
  constexpr bool Contains(E Value) const { return (Bits_ & Bit(Value)) != 0; }
  constexpr bool Empty() const { return Bits_ == 0; }
  constexpr Bits Value() const { return Bits_; }
  friend constexpr bool operator==(TSerSet a, TSerSet b) { return a.Bits_ == b.Bits_; }

 private:
  static constexpr Bits Bit(E Value) {
    if (static_cast<unsigned>(Value) >= sizeof(Bits) * 8) throw std::out_of_range("set element");
    return static_cast<Bits>(Bits(1) << static_cast<unsigned>(Value));
  }
  Bits Bits_ = 0;
};

using TSerCommEvents = TSerSet<TSerCommEvent, std::uint16_t>;
using TSerCommOptions = TSerSet<TSerCommOption, std::uint8_t>;

// Comm event bits of the device event mask.
constexpr std::uint32_t EV_RXCHAR = 0x0001;
constexpr std::uint32_t EV_RXFLAG = 0x0002;
constexpr std::uint32_t EV_TXEMPTY = 0x0004;
constexpr std::uint32_t EV_CTS = 0x0008;
constexpr std::uint32_t EV_DSR = 0x0010;
constexpr std::uint32_t EV_RLSD = 0x0020;
constexpr std::uint32_t EV_BREAK = 0x0040;
constexpr std::uint32_t EV_ERR = 0x0080;
constexpr std::uint32_t EV_RING = 0x0100;
constexpr std::uint32_t EV_PERR = 0x0200;
constexpr std::uint32_t EV_RX80FULL = 0x0400;
constexpr std::uint32_t EV_EVENT1 = 0x0800;
constexpr std::uint32_t EV_EVENT2 = 0x1000;

// The event bit of a TSerCommEvent.
std::uint32_t CommEventBit(TSerCommEvent Event);

// Line error flags reported by GetCommStatus and OnError.
constexpr std::uint32_t CE_RXOVER = 0x0001;
constexpr std::uint32_t CE_OVERRUN = 0x0002;
constexpr std::uint32_t CE_RXPARITY = 0x0004;
constexpr std::uint32_t CE_FRAME = 0x0008;
constexpr std::uint32_t CE_BREAK = 0x0010;

// Device status: bytes waiting in the input and the output queue.
struct TSerComStat {
  std::uint32_t Flags = 0;
  std::uint32_t cbInQue = 0;
  std::uint32_t cbOutQue = 0;
};

}  // namespace galt
