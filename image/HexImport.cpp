#include "image/HexImport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "image/HexRecords.h"

namespace galt {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string ImportedLineText(int index, const std::uint8_t* bytes) {
  const unsigned address = static_cast<unsigned>(index) * kLineBytes;
  std::string s;
  s.reserve(56);
  s.push_back(' ');
  // Bank digit, then the low 16 bits of the address.
  for (int shift = 16; shift >= 0; shift -= 4) s.push_back(kHexDigits[(address >> shift) & 0xF]);
  s.append(": ");
  for (int k = 0; k < kLineBytes; ++k) {
    s.push_back(kHexDigits[bytes[k] >> 4]);
    s.push_back(kHexDigits[bytes[k] & 0xF]);
    s.push_back(' ');
  }
  return s;
}

HexImportResult Failure(HexImportError error) {
  HexImportResult result;
  result.error = error;
  return result;
}

}  // namespace

HexImportResult ImportHexText(std::string_view fileBytes) {
  std::vector<std::uint8_t> flash(kFlashSize, 0xFF);
  std::vector<bool> written(kFlashSize, false);
  std::vector<bool> lineHasData(kFlashSize / kLineBytes, false);
  int lastDataLine = -1;

  // Segment addresses wrap the offset within 64 KB; linear ones do not.
  std::uint64_t base = 0;
  bool segmented = false;

  HexRecordReader reader(fileBytes);
  HexRecord record;
  HexImportError error{};
  bool reading = true;
  bool ended = false;  // by its end-of-file record, not by the text running out
  while (reading) {
    switch (reader.Next(record, error)) {
      case HexRecordReader::Status::End:
        reading = false;
        continue;
      case HexRecordReader::Status::Error:
        return Failure(error);
      case HexRecordReader::Status::Record:
        break;
    }
    switch (record.type) {
      case HexRecordType::Data:
        for (std::size_t i = 0; i < record.count; ++i) {
          std::uint64_t offset = record.offset + i;
          if (segmented) offset &= 0xFFFFu;
          const std::uint64_t address = base + offset;
          if (address >= kFlashSize) return Failure({HexImportErrorKind::BeyondFlash, record.line});
          // A repeat of the same byte is harmless; a different one would
          // silently change the program, so the file is not to be trusted.
          if (written[address] && flash[address] != record.data[i])
            return Failure({HexImportErrorKind::ConflictingData, record.line});
          written[address] = true;
          flash[address] = record.data[i];
          const int line = static_cast<int>(address / kLineBytes);
          lineHasData[static_cast<std::size_t>(line)] = true;
          lastDataLine = std::max(lastDataLine, line);
        }
        break;
      case HexRecordType::EndOfFile:
        reading = false;
        ended = true;
        break;
      case HexRecordType::ExtendedSegmentAddress:
        base = std::uint64_t{record.Value16()} << 4;
        segmented = true;
        break;
      case HexRecordType::ExtendedLinearAddress:
        base = std::uint64_t{record.Value16()} << 16;
        segmented = false;
        break;
      case HexRecordType::StartSegmentAddress:
      case HexRecordType::StartLinearAddress:
        break;
    }
  }
  if (lastDataLine < 0) return Failure({HexImportErrorKind::NoData, 0});
  // A file cut short would verify fewer blocks and pass.
  if (!ended) return Failure({HexImportErrorKind::NoEndOfFile, 0});

  HexImportResult result;
  const int lineCount = std::max(kFullImageLines, lastDataLine + 1);
  result.lines.reserve(static_cast<std::size_t>(lineCount));
  for (int n = 0; n < lineCount; ++n) {
    const auto at = static_cast<std::size_t>(n);
    result.lines.push_back(lineHasData[at] ? ImportedLineText(n, &flash[at * kLineBytes]) : BlankLineText(n));
  }
  result.blockLimit = std::clamp((lastDataLine + 1) / kBlockLines + 2, kBlockLimitMin, kBlockLimitMax);
  return result;
}

std::optional<HexImportError> ImportHexFile(const std::filesystem::path& path, ImageBuffer& image, int& blockLimit) {
  const HexImportError cannotRead{HexImportErrorKind::CannotRead, 0};
#ifdef _WIN32
  std::FILE* opened = ::_wfopen(path.c_str(), L"rb");
#else
  std::FILE* opened = std::fopen(path.c_str(), "rb");
#endif
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(opened, &std::fclose);
  if (!file) return cannotRead;

  std::string text;
  char chunk[64 * 1024];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, file.get());
    text.append(chunk, n);
    if (text.size() > kMaxHexFileBytes) return HexImportError{HexImportErrorKind::TooLarge, 0};
    if (n < sizeof chunk) break;
  }
  if (std::ferror(file.get())) return cannotRead;
  return ImportHexBytes(text, image, blockLimit);
}

std::optional<HexImportError> ImportHexBytes(std::string_view fileBytes, ImageBuffer& image, int& blockLimit) {
  HexImportResult result = ImportHexText(fileBytes);
  if (result.error) return result.error;
  image.Clear();
  image.Reserve(result.lines.size());
  for (std::string& line : result.lines) image.Append(std::move(line));
  blockLimit = result.blockLimit;
  return std::nullopt;
}

}  // namespace galt
