#include "records/LineTrace.h"

#include <chrono>
#include <cstdio>

#include "records/LocalTime.h"

namespace galt {

LineTrace::LineTrace(const std::filesystem::path& path, const std::string& program, const MonotonicClock& clock,
                     std::uintmax_t fileLimit)
    : clock_(clock),
      origin_(clock.NowMs()),
      heard_([this](std::int64_t at, const std::string& meaning, std::string_view bytes) {
        Line(at, "<-", meaning, bytes);
      }),
      file_(path, fileLimit) {
  file_.Append("\n# трасса линии: " + program + ", " + LocalTimeText(std::chrono::system_clock::now()) +
               "\n# мс от открытия порта; -> отправлено, <- принято (ответ целиком, с числом частей), -- события порта\n");
}

void LineTrace::Began(const std::string& operation) {
  file_.Append("# " + operation + ", " + LocalTimeText(std::chrono::system_clock::now()) + "\n");
}

void LineTrace::Opened(const TracedLineSettings& s) {
  Abandon();
  origin_ = clock_.NowMs();
  Line("--", "порт " + s.port + " открыт: " + std::to_string(s.baud) + " бод, " + std::to_string(s.dataBits) +
                 " бит данных, чётность " + s.parity + ", стоп-биты " + s.stopBits + ", DTR " + s.dtr + ", RTS " +
                 s.rts + ", управление потоком " + s.flow +
                 (s.lowLatency.empty() ? std::string() : ", низкая задержка приёма: " + s.lowLatency) +
                 (s.adapter.empty() ? "" : "; " + s.adapter));
}

void LineTrace::Sent(std::string_view frame, bool accepted) {
  std::string meaning = SentMeaning(frame);
  if (!accepted) meaning += ", порт не принял";
  // The link starts every reply afresh when it sends.
  if (const std::size_t left = Abandon()) meaning += "; брошен незаконченный ответ, " + ByteCount(left);
  Line("->", meaning, frame);
}

void LineTrace::Received(std::string_view piece) { hunter_.Feed(piece, clock_.NowMs(), heard_); }

void LineTrace::LineErrors(const std::string& words) { Line("--", "ошибка линии: " + words); }

void LineTrace::PortError(const std::string& message) { Line("--", "ошибка порта: " + message); }

void LineTrace::DeviceLost() {
  Abandon();
  Line("--", "устройство пропало");
}

void LineTrace::Closed() {
  Abandon();
  Line("--", "порт закрыт");
}

void LineTrace::Ended(Outcome outcome) {
  Abandon();
  Line("--", "итог: " + std::string(OutcomeName(outcome)));
}

std::size_t LineTrace::Abandon() { return hunter_.Abandon(heard_); }

void LineTrace::Line(const char* direction, const std::string& meaning, std::string_view bytes) {
  Line(clock_.NowMs(), direction, meaning, bytes);
}

void LineTrace::Line(std::int64_t at, const char* direction, const std::string& meaning, std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  char head[40];
  std::snprintf(head, sizeof head, "%8lld %s ", static_cast<long long>(at - origin_), direction);
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
