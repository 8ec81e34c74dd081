#pragma once
// The state the window keeps in its controls, as plain values the sequences
// read and write without any widget. The window's widgets show these values
// (a gauge paints its GaugeValue, the serial-number field edits its
// SpinValue).

#include <functional>
#include <string>

namespace galt {

// Integer value of a decimal text; a text that is not a whole integer reads
// as `fallback`.
int TextToInt(const std::string& text, int fallback = 0);

// Reads the text as an integer, adds one and writes it back.
void AdvanceCounterText(std::string& text);

// A numeric spin edit: its value is the integer in its text; a text that is
// not an integer reads as the minimum. Setting a value by program brings it
// into the range; typed text may stand outside the range until Normalize
// (focus loss) brings it to the nearer bound.
class SpinValue {
 public:
  SpinValue(int min, int max, int value);
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Value() const;
  void SetValue(int value);
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  void Normalize() { SetValue(Value()); }
  // Whether `text` may stand in the field while it is typed: anything but a
  // number above the maximum, which would read as another value on leaving.
  bool Admits(const std::string& text) const;
  std::function<void()> OnChange;  // the text changed by program

 private:
  int min_, max_;
  std::string text_;
};

// A progress gauge: Progress is clamped to [MinValue, MaxValue]; the shown
// percentage is truncated. OnPercentChange fires only when the shown
// percentage changes (the widget repaints then).
class GaugeValue {
 public:
  GaugeValue(int min, int max) : min_(min), max_(max), progress_(min) {}
  int MinValue() const { return min_; }
  int MaxValue() const { return max_; }
  int Progress() const { return progress_; }
  void SetProgress(int value);
  int Percent() const;
  std::function<void()> OnPercentChange;

 private:
  int min_, max_, progress_;
};

}  // namespace galt
