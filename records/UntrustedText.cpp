#include "records/UntrustedText.h"

#include <cstdint>

namespace galt {

namespace {

// The length of the well-formed UTF-8 sequence at `text[at]` and its code
// point, or 0 when the byte there begins none.
std::size_t SequenceAt(std::string_view text, std::size_t at, char32_t& point) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(at);
  if (first < 0x80) {
    point = first;
    return 1;
  }
  std::size_t length;
  char32_t min;
  if (first >= 0xC2 && first <= 0xDF) {
    length = 2, min = 0x80, point = first & 0x1Fu;
  } else if (first >= 0xE0 && first <= 0xEF) {
    length = 3, min = 0x800, point = first & 0x0Fu;
  } else if (first >= 0xF0 && first <= 0xF4) {
    length = 4, min = 0x10000, point = first & 0x07u;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(at + i);
    if ((next & 0xC0) != 0x80) return 0;
    point = (point << 6) | (next & 0x3Fu);
  }
  if (point < min || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return 0;
  return length;
}

bool IsControl(char32_t point) {
  return point < 0x20 || (point >= 0x7F && point <= 0x9F) || (point >= 0x202A && point <= 0x202E) ||
         (point >= 0x2066 && point <= 0x2069);
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    char32_t point;
    const std::size_t length = SequenceAt(text, at, point);
    if (length == 0) {
      out += kReplacementCharacter;
      ++at;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
  return out;
}

std::string PrintableText(std::string_view text, LineBreaks breaks, bool keepTabs) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    char32_t point = 0;
    const std::size_t length = SequenceAt(text, at, point);
    if (length == 0) {
      out += kReplacementCharacter;
      ++at;
      continue;
    }
    if (point == '\r' || point == '\n') {
      // CR LF is one break.
      const std::size_t taken = point == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
      at += taken;
      switch (breaks) {
        case LineBreaks::Replaced: out += kReplacementCharacter; break;
        case LineBreaks::Kept: out += '\n'; break;
        case LineBreaks::Marked: out += kLineBreakMark; break;
      }
      continue;
    }
    if (point == '\t') {
      out += keepTabs ? '\t' : ' ';
    } else if (IsControl(point)) {
      out += kReplacementCharacter;
    } else {
      out.append(text, at, length);
    }
    at += length;
  }
  return out;
}

std::size_t Utf8Characters(std::string_view text) {
  // Each character has one byte that is not a continuation byte (10xxxxxx).
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return characters;
}

}  // namespace galt
