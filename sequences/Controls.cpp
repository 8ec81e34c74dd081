#include "sequences/Controls.h"

#include <algorithm>
#include <charconv>

namespace galt {

int TextToInt(const std::string& text, int fallback) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || first == last) return fallback;
  return value;
}

void AdvanceCounterText(std::string& text) { text = std::to_string(TextToInt(text) + 1); }

SpinValue::SpinValue(int min, int max, int value) : min_(min), max_(max), text_(std::to_string(value)) {}

int SpinValue::Value() const { return TextToInt(text_, min_); }

void SpinValue::SetValue(int value) {
  SetText(std::to_string(std::clamp(value, min_, max_)));
}

void SpinValue::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  if (OnChange) OnChange();
}

bool SpinValue::Admits(const std::string& text) const {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  long long value = 0;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (first == last || ptr != last) return true;  // no integer: reads as the minimum
  // Too many digits for any integer type: above the range unless negative.
  if (ec == std::errc::result_out_of_range) return *first == '-';
  return ec != std::errc() || value <= max_;
}

void GaugeValue::SetProgress(int value) {
  value = std::clamp(value, min_, max_);
  if (value == progress_) return;
  const int before = Percent();
  progress_ = value;
  if (Percent() != before && OnPercentChange) OnPercentChange();
}

int GaugeValue::Percent() const {
  if (max_ == min_) return 0;
  return static_cast<int>(100LL * (progress_ - min_) / (max_ - min_));
}

}  // namespace galt
