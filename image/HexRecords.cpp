#include "image/HexRecords.h"

namespace galt {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsSeparator(char c) { return IsLineEnd(c) || c == ' ' || c == '\t'; }

}  // namespace

void HexRecordReader::CountLineEnd(char c) {
  // CR LF counts once (at the LF); a lone CR ends a line too.
  const bool lfFollows = pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n';
  if (c == '\n' || (c == '\r' && !lfFollows)) ++line_;
}

bool HexRecordReader::SkipToRecord() {
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    if (c == ':') return true;
    if (started_ && !IsSeparator(c)) return true;  // reported by the caller
    CountLineEnd(c);
    ++pos_;
  }
  return false;
}

HexRecordReader::Status HexRecordReader::Next(HexRecord& record, HexImportError& error) {
  if (!SkipToRecord()) return Status::End;
  started_ = true;
  if (text_[pos_] != ':') {
    error = {HexImportErrorKind::NonHexCharacter, line_};
    return Status::Error;
  }
  ++pos_;
  record.line = line_;

  // Reads one byte as two digits; false with `error` set when it cannot.
  auto readByte = [&](std::uint8_t& out) {
    int value = 0;
    for (int i = 0; i < 2; ++i) {
      if (pos_ >= text_.size() || IsLineEnd(text_[pos_]) || text_[pos_] == ':') {
        error = {HexImportErrorKind::BadRecordLength, record.line};
        return false;
      }
      const int digit = HexDigit(text_[pos_]);
      if (digit < 0) {
        error = {HexImportErrorKind::NonHexCharacter, line_};
        return false;
      }
      value = value * 16 + digit;
      ++pos_;
    }
    out = static_cast<std::uint8_t>(value);
    return true;
  };

  std::uint8_t count = 0, offsetHigh = 0, offsetLow = 0, type = 0, checksum = 0;
  if (!readByte(count) || !readByte(offsetHigh) || !readByte(offsetLow) || !readByte(type)) return Status::Error;
  unsigned sum = count + offsetHigh + offsetLow + type;
  for (std::size_t i = 0; i < count; ++i) {
    if (!readByte(record.data[i])) return Status::Error;
    sum += record.data[i];
  }
  if (!readByte(checksum)) return Status::Error;
  sum += checksum;

  if (pos_ < text_.size() && HexDigit(text_[pos_]) >= 0) {
    error = {HexImportErrorKind::BadRecordLength, record.line};
    return Status::Error;
  }
  if ((sum & 0xFFu) != 0) {
    error = {HexImportErrorKind::BadChecksum, record.line};
    return Status::Error;
  }
  if (type > static_cast<std::uint8_t>(HexRecordType::StartLinearAddress)) {
    error = {HexImportErrorKind::UnknownRecordType, record.line};
    return Status::Error;
  }
  record.type = static_cast<HexRecordType>(type);
  record.offset = static_cast<std::uint16_t>(offsetHigh << 8 | offsetLow);
  record.count = count;

  const bool addressRecord =
      record.type == HexRecordType::ExtendedSegmentAddress || record.type == HexRecordType::ExtendedLinearAddress;
  const bool startRecord =
      record.type == HexRecordType::StartSegmentAddress || record.type == HexRecordType::StartLinearAddress;
  if ((addressRecord && count != 2) || (startRecord && count != 4) ||
      (record.type == HexRecordType::EndOfFile && count != 0)) {
    error = {HexImportErrorKind::BadRecordLength, record.line};
    return Status::Error;
  }
  return Status::Record;
}

}  // namespace galt
