#pragma once
// Why a HEX file was refused, and the text the window shows for it (caption
// texts::kErrorCaption, error icon).

#include <string>

namespace galt {

enum class HexImportErrorKind {
  BadChecksum,        // a record's bytes do not sum to 0
  NonHexCharacter,    // a character that is not a hex digit inside or between records
  BadRecordLength,    // a record shorter or longer than its byte count or its type says
  UnknownRecordType,  // a record type other than 00..05
  BeyondFlash,        // data at or above the device's flash size, kFlashSize
  ConflictingData,    // data for an address an earlier record gave other bytes
  NoData,             // no data record in the file
  NoEndOfFile,        // data, but no end-of-file record: the file was cut short
  CannotRead,         // the file could not be opened or read
  TooLarge,           // the file is far larger than any image of the device
};

struct HexImportError {
  HexImportErrorKind kind;
  int line = 0;  // 1-based line of the file; 0 for errors of the whole file

  bool operator==(const HexImportError&) const = default;
};

// The message for the error box, in UTF-8.
std::string HexImportErrorText(const HexImportError& error);

}  // namespace galt
