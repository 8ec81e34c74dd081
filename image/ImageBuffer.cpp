#include "image/ImageBuffer.h"

#include <cstdio>

namespace galt {

namespace {
const std::string kEmpty;
constexpr std::string_view kBlankTail = ": FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";
}  // namespace

const std::string& ImageBuffer::Line(std::size_t index) const {
  Settle();
  return index < lines_.size() ? lines_[index] : kEmpty;
}

void ImageBuffer::Delete(std::size_t index) {
  Settle();
  if (index < lines_.size()) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

void ImageBuffer::Insert(std::size_t index, std::string line) {
  Settle();
  if (index > lines_.size()) index = lines_.size();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
}

std::string BlankLineText(int index) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(1 + 5 + kBlankTail.size());
  s.push_back(' ');
  const unsigned address = static_cast<unsigned>(index) * 16u;
  for (int shift = 16; shift >= 0; shift -= 4) s.push_back(kDigits[(address >> shift) & 0xF]);
  s.append(kBlankTail);
  return s;
}

void ImageBuffer::Settle() const {
  if (blankOwed_ == 0) return;
  const std::size_t count = blankOwed_;
  blankOwed_ = 0;
  lines_.reserve(count);
  for (std::size_t i = 0; i < count; ++i) lines_.push_back(BlankLineText(static_cast<int>(i)));
}

void FillBlankImage(ImageBuffer& image, int count) { image.FillBlank(static_cast<std::size_t>(count > 0 ? count : 0)); }

std::string_view LineBody(const ImageBuffer& image, int index) {
  if (index < 0) return {};
  std::string_view line = image.Line(static_cast<std::size_t>(index));
  return line.empty() ? line : line.substr(1);
}

bool HasAddressColumn(std::string_view line) { return line.size() >= 7 && line[6] == ':'; }

}  // namespace galt
