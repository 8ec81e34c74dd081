#pragma once
// The one place where Windows' UTF-16 text meets the program's UTF-8: every
// text from or to a W call of Windows goes through these two. (The narrow A
// calls answer in the system's code page, CP1251 on a Russian Windows.)

#include <string>
#include <string_view>

namespace galt {

// Invalid input is replaced, never dropped: U+FFFD for an unpaired
// surrogate or a malformed UTF-8 sequence.
std::string Utf8FromWide(std::wstring_view Text);
std::wstring WideFromUtf8(std::string_view Text);

}  // namespace galt
