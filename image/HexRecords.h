#pragma once
// Reads the records of an Intel HEX text one at a time, checking each one:
// ':', byte count, 16-bit offset, type, data, checksum, all as hex digit
// pairs (either case). Records may end with CR LF, LF, CR or nothing at all;
// blanks and line ends between records are skipped, characters before the
// first ':' ignored. Lines are counted from 1 for error messages.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "image/HexImportError.h"

namespace galt {

enum class HexRecordType : std::uint8_t {
  Data = 0x00,
  EndOfFile = 0x01,
  ExtendedSegmentAddress = 0x02,  // upper address = value * 16
  StartSegmentAddress = 0x03,     // an entry point: nothing to load
  ExtendedLinearAddress = 0x04,   // upper address = value * 65536
  StartLinearAddress = 0x05,      // an entry point: nothing to load
};

struct HexRecord {
  int line = 0;  // line of the file the record starts on
  HexRecordType type = HexRecordType::Data;
  std::uint16_t offset = 0;
  std::size_t count = 0;
  std::array<std::uint8_t, 255> data{};

  // The 16-bit value of an address record (its two data bytes, high first).
  std::uint16_t Value16() const { return static_cast<std::uint16_t>(data[0] << 8 | data[1]); }
};

class HexRecordReader {
 public:
  enum class Status { Record, End, Error };

  explicit HexRecordReader(std::string_view text) : text_(text) {}

  // Reads the next record into `record`; End when no record is left, Error
  // (with `error` set) for a malformed one.
  Status Next(HexRecord& record, HexImportError& error);

 private:
  bool SkipToRecord();  // false at the end of the text
  void CountLineEnd(char c);

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  bool started_ = false;
};

}  // namespace galt
