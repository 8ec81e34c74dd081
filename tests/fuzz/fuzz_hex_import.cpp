// Arbitrary bytes as a HEX file: the import must either refuse them with an
// error or give an image the loader can use.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "image/HexImport.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using galt::fuzz::Check;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

// The imported form " BAAAA: XX ... XX " carrying its own index, or the
// blank line for it.
bool IsLineFor(const std::string& line, int index) {
  if (line == galt::BlankLineText(index)) return true;
  if (line.size() != 56 || line[0] != ' ' || line[6] != ':' || line[7] != ' ') return false;
  const std::string blank = galt::BlankLineText(index);
  if (line.compare(1, 5, blank, 1, 5) != 0) return false;  // same address text
  for (std::size_t k = 0; k < 16; ++k) {
    const std::size_t at = 8 + 3 * k;
    if (!IsHexDigit(line[at]) || !IsHexDigit(line[at + 1]) || line[at + 2] != ' ') return false;
  }
  return true;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Random records almost never carry a right checksum; this copy of the input
// gets one on every line that looks like a record, so the fuzzer also reaches
// what lies past the checksum test.
std::string WithChecksumsFixed(std::string_view in) {
  std::string out(in);
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    std::size_t last = end;
    if (last > start && out[last - 1] == '\r') --last;
    const std::size_t digits = last - start - 1;
    if (last > start && out[start] == ':' && digits >= 10 && digits % 2 == 0) {
      unsigned sum = 0;
      bool hex = true;
      for (std::size_t i = start + 1; i + 2 < last && hex; i += 2) {
        const int hi = DigitValue(out[i]), lo = DigitValue(out[i + 1]);
        hex = hi >= 0 && lo >= 0;
        sum += static_cast<unsigned>(hi * 16 + lo);
      }
      if (hex) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        const unsigned checksum = (0x100u - (sum & 0xFFu)) & 0xFFu;
        out[last - 2] = kDigits[checksum >> 4];
        out[last - 1] = kDigits[checksum & 0xF];
      }
    }
    start = end + 1;
  }
  return out;
}

void ImportAndCheck(std::string_view text) {
  const galt::HexImportResult r = galt::ImportHexText(text);
  if (r.error) {
    Check(r.lines.empty());
    Check(r.error->line >= 0);
    Check(!galt::HexImportErrorText(*r.error).empty());
    return;
  }
  Check(r.lines.size() >= static_cast<std::size_t>(galt::kFullImageLines));
  Check(r.blockLimit >= 10 && r.blockLimit <= 1000);
  bool anyData = false;
  for (std::size_t n = 0; n < r.lines.size(); ++n) {
    Check(IsLineFor(r.lines[n], static_cast<int>(n)));
    anyData = anyData || r.lines[n].size() == 56;
  }
  Check(anyData);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ImportAndCheck(text);
  ImportAndCheck(WithChecksumsFixed(text));
  return 0;
}
