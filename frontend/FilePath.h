#pragma once
// A file name from the command line, which the program keeps in UTF-8, as the
// system opens it.

#include <filesystem>
#include <string>

namespace galt {

// On Windows the path holds the name's UTF-16 form, so files open, are made
// and renamed through the W calls and a name outside the ANSI code page
// (a Cyrillic folder on an English Windows) comes through whole; elsewhere
// it holds the bytes as given.
std::filesystem::path FilePath(const std::string& utf8);

}  // namespace galt
