#pragma once
// The operation under way in words, for every front end alike: the windows'
// title and the command line's progress line, from the core's Progress and
// its gauges.

#include <optional>
#include <string>

#include "frontend/FormDesign.h"
#include "sequences/LoaderCore.h"

namespace galt {

namespace texts {
// The gauges' labels; the command line's progress line names its stage so.
inline const std::string kDeactivationLabel = form::Label1.caption;
inline const std::string kLoadLabel = form::Label2.caption;
inline const std::string kReadLabel = "Считывание:";
inline const std::string kVerifyLabel = "Проверка:";
// What ends every title but the idle one: what matters (the serial number,
// how far, how long) comes first, the program's name last, as a title bar of
// the window's width shows about 40 characters.
inline const std::string kTitleSuffix = " — GALT-5R";
}  // namespace texts

// The window's title: the loader's name, or while an operation runs its
// progress and the time it may still take, short enough for a title bar
// ("№ 237 · 57/233 · 35 с — GALT-5R").
std::string OperationTitle(const LoaderCore& Core);

// The stage under way as a progress line shows it.
struct ProgressLine {
  std::string Label;
  // Below 100 while the stage runs: a stage is done only once it has ended
  // well, which its next stage or the operation's end tells.
  int Percent = 0;
  std::string Detail;  // how far, and how long it may still take ("попытка 3/201 · 10 с")
};

// Nothing while no operation runs.
std::optional<ProgressLine> OperationLine(const LoaderCore& Core);

}  // namespace galt
