#include "records/LineTrace.h"

#include <chrono>
#include <cstdio>

#include "records/LocalTime.h"

namespace galt {

LineTrace::LineTrace(const std::filesystem::path& path, const std::string& program, const MonotonicClock& clock)
    : clock_(clock), origin_(clock.NowMs()), file_(path) {
  file_.Append("\n# трасса линии: " + program + ", " + LocalTimeText(std::chrono::system_clock::now()) +
               "\n# мс от открытия порта; -> отправлено, <- принято, -- события порта\n");
}

void LineTrace::Opened(const TracedLineSettings& s) {
  origin_ = clock_.NowMs();
  hunter_.Abandon();
  Line("--", "порт " + s.port + " открыт: " + std::to_string(s.baud) + " бод, " + std::to_string(s.dataBits) +
                 " бит данных, чётность " + s.parity + ", стоп-биты " + s.stopBits + ", DTR " + s.dtr + ", RTS " +
                 s.rts + ", управление потоком " + s.flow +
                 (s.lowLatency.empty() ? std::string() : ", низкая задержка приёма: " + s.lowLatency));
}

void LineTrace::Sent(std::string_view frame, bool accepted) {
  std::string meaning = SentMeaning(frame);
  if (!accepted) meaning += ", порт не принял";
  // The link starts every reply afresh when it sends.
  if (const std::size_t left = hunter_.Abandon()) meaning += "; брошен незаконченный ответ, " + ByteCount(left);
  Line("->", meaning, frame);
}

void LineTrace::Received(std::string_view piece) { Line("<-", hunter_.Feed(piece), piece); }

void LineTrace::LineErrors(const std::string& words) { Line("--", "ошибка линии: " + words); }

void LineTrace::PortError(const std::string& message) { Line("--", "ошибка порта: " + message); }

void LineTrace::DeviceLost() { Line("--", "устройство пропало"); }

void LineTrace::Closed() {
  hunter_.Abandon();
  Line("--", "порт закрыт");
}

void LineTrace::Ended(Outcome outcome) { Line("--", "итог: " + std::string(OutcomeName(outcome))); }

void LineTrace::Line(const char* direction, const std::string& meaning, std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  char head[40];
  std::snprintf(head, sizeof head, "%8lld %s ", static_cast<long long>(clock_.NowMs() - origin_), direction);
  line_.assign(head);
  line_ += meaning;
  if (!bytes.empty()) {
    line_ += " |";
    for (const char c : bytes) {
      const auto byte = static_cast<unsigned char>(c);
      line_ += ' ';
      line_ += kHex[byte >> 4];
      line_ += kHex[byte & 15];
    }
  }
  line_ += '\n';
  file_.Append(line_);
}

}  // namespace galt
