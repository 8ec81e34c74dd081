#pragma once
// The loader's picture of the device's flash: one text line per 16 bytes.
//
// Three line forms exist (every form starts with a blank, which every reading
// drops):
//   data line      " XX XX ... XX"                      48 chars, byte k at body 3k+1
//   addressed line " AAAAA: XX XX ... XX"                55 chars, byte k at body 3k+8
//   imported line  " BAAAA: XX XX ... XX "               56 chars, byte k at body 3k+8
// Line n always stands for flash bytes 16n..16n+15; the address text some
// forms carry is never used to locate a line.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace galt {

constexpr int kLineBytes = 16;
constexpr int kBlockLines = 8;
constexpr int kBlockBytes = kLineBytes * kBlockLines;
// The device's flash: blocks 0..991.
constexpr unsigned kFlashSize = 0x1F000;
constexpr int kFullImageLines = static_cast<int>(kFlashSize / kLineBytes);  // 7936
// The block limit SPBLH of a pass (the pass ends with block limit - 1), as
// the spin edit and an imported file's limit keep it.
constexpr int kBlockLimitMin = 10;
constexpr int kBlockLimitMax = 1000;

class ImageBuffer {
 public:
  void Clear() {
    lines_.clear();
    blankOwed_ = 0;
  }
  void Append(std::string line) {
    Settle();
    lines_.push_back(std::move(line));
  }
  void Reserve(std::size_t n) {
    Settle();
    lines_.reserve(n);
  }
  // Line at an index; an index past the end reads as an empty line.
  const std::string& Line(std::size_t index) const;
  std::size_t Count() const { return blankOwed_ > 0 ? blankOwed_ : lines_.size(); }
  void Delete(std::size_t index);
  void Insert(std::size_t index, std::string line);
  const std::vector<std::string>& Lines() const {
    Settle();
    return lines_;
  }
  // Replaces the lines by the blank lines for indexes 0..count-1, written
  // out only when a line is first read or changed: every window starts with
  // a blank image that an install replaces unread (7937 lines, most of a
  // megabyte of small strings).
  void FillBlank(std::size_t count) {
    lines_.clear();
    blankOwed_ = count;
  }

 private:
  // Writes out the blank lines still owed. Const: reading is what asks.
  void Settle() const;

  mutable std::vector<std::string> lines_;
  mutable std::size_t blankOwed_ = 0;
};

// The blank line for index n: the addressed line for address 16n, all bytes FF.
std::string BlankLineText(int index);

// Replaces the buffer's lines by the blank lines for indexes 0..count-1.
void FillBlankImage(ImageBuffer& image, int count);

// The line's text from its second character on; empty past the last line.
// The view is valid until the buffer changes.
std::string_view LineBody(const ImageBuffer& image, int index);

// True when the line carries an address (addressed or imported form): a colon
// at its 7th character.
bool HasAddressColumn(std::string_view line);

}  // namespace galt
