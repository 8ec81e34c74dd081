#pragma once
// Text the loader did not write itself (a device's or adapter's strings, a
// process's name, a file's lines, the environment) made harmless where it
// lands: always valid UTF-8 (a byte outside a well-formed sequence becomes
// U+FFFD), and on a terminal or in one line of a record no control character
// that could move the cursor, recolour the screen, break the line or reorder
// what follows it. And how many characters such text holds.

#include <cstddef>
#include <string>
#include <string_view>

namespace galt {

// U+FFFD, the replacement character.
inline constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
// What stands for a line break in text kept on one line: the pilcrow, which
// every font has.
inline constexpr std::string_view kLineBreakMark = "\xC2\xB6";

// `text` with every byte that does not belong to a well-formed UTF-8
// sequence (overlong forms, surrogates and code points past U+10FFFF
// included) replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

// What becomes of a line break (CR LF, CR or LF) in PrintableText.
enum class LineBreaks {
  Replaced,  // U+FFFD, like any other control character
  Kept,      // LF
  Marked,    // kLineBreakMark
};

// Valid UTF-8 without the C0 and C1 control characters, DEL and the
// bidirectional embeddings, overrides and isolates: each becomes U+FFFD, a
// tab a space unless `keepTabs`, a line break as `breaks` says.
std::string PrintableText(std::string_view text, LineBreaks breaks = LineBreaks::Replaced, bool keepTabs = false);

// The characters of valid UTF-8 text (the columns it takes on a terminal,
// in a fixed-width table, in a title bar), not its bytes.
std::size_t Utf8Characters(std::string_view text);

}  // namespace galt
