#include "tools/galt-emulator/Options.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>

namespace galt::emucli {

namespace {

using Text = const std::string&;

struct OptionRule {
  const char* name;
  const char* value;  // nullptr: a switch
  int min;            // range of a number value; min > max: a text value
  int max;
  const char* help;
  std::function<void(Options&, Text, int)> apply;
};

constexpr int kMaxInt = std::numeric_limits<int>::max();

const std::vector<OptionRule>& Rules() {
  static const std::vector<OptionRule> rules = {
      {"link", "PATH", 1, 0, "also reach the device as PATH (a symlink, removed on exit)",
       [](Options& o, Text text, int) { o.link = text; }},
      {"pace", nullptr, 0, 0, "take and send bytes no faster than a 14400-baud line (10 bits a byte)",
       [](Options& o, Text, int) { o.pace = true; }},
      {"adapter", "NAME", 1, 0, "deliver the replies as that bridge does (below)",
       [](Options& o, Text text, int) { o.adapter = emu::FindAdapter(text); }},
      {"silent", nullptr, 0, 0, "never answer", [](Options& o, Text, int) { o.faults.silent = true; }},
      {"ack-deactivation-from", "N", 1, kMaxInt, "acknowledge deactivation only from the Nth frame on",
       [](Options& o, Text, int v) { o.faults.ackDeactivationFrom = v; }},
      {"short-deactivation-ack", nullptr, 0, 0, "acknowledge deactivation with the one-byte payload AA",
       [](Options& o, Text, int) { o.faults.shortDeactivationAck = true; }},
      {"short-activation-ack", nullptr, 0, 0, "acknowledge activation with the one-byte payload AA",
       [](Options& o, Text, int) { o.faults.shortActivationAck = true; }},
      {"stop-echo-at", "BLOCK", 0, 0xFFFF, "no write echo for BLOCK and every later block",
       [](Options& o, Text, int v) { o.faults.stopEchoAtBlock = v; }},
      {"corrupt-echo-at", "BLOCK", 0, 0xFFFF, "change one data byte in the echo of BLOCK",
       [](Options& o, Text, int v) { o.faults.corruptEchoAtBlock = v; }},
      {"unplug-at", "BLOCK", 0, 0xFFFF, "at the write of BLOCK close the terminal and exit, as a pulled adapter",
       [](Options& o, Text, int v) { o.faults.unplugAtBlock = v; }},
      {"answer-query", "N", 0, kMaxInt, "answer status queries from the Nth on (0: never)",
       [](Options& o, Text, int v) { o.faults.answerQueryNumber = v; }},
      {"model", "N", 0, 0xFF, "model byte of every reply (default 6)",
       [](Options& o, Text, int v) { o.faults.model = static_cast<std::uint8_t>(v); }},
      {"wrong-sum", nullptr, 0, 0, "every reply carries a wrong sum",
       [](Options& o, Text, int) { o.faults.wrongSum = true; }},
      {"noise", "N", 0, 1000, "send N noise bytes before every reply",
       [](Options& o, Text, int v) { o.faults.noiseBytes = v; }},
      {"split", "N", 1, 1000, "send every reply in N pieces, a few ms apart",
       [](Options& o, Text, int v) { o.faults.splitPieces = v; }},
      {"glue", nullptr, 0, 0, "a second copy of every reply follows the first at once",
       [](Options& o, Text, int) { o.faults.glueSecondReply = true; }},
      {"serial", "N", 0, 0xFFFF, "start with serial number N stamped in the flash",
       [](Options& o, Text, int v) { o.serial = v; }},
      {"quiet", nullptr, 0, 0, "do not log frames on stderr", [](Options& o, Text, int) { o.quiet = true; }},
      {"help", nullptr, 0, 0, "show this text (also -h)", [](Options& o, Text, int) { o.help = true; }},
      {"version", nullptr, 0, 0, "show the version", [](Options& o, Text, int) { o.version = true; }},
  };
  return rules;
}

std::optional<int> ToInt(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::string Milliseconds(std::chrono::microseconds t) {
  char text[32];
  std::snprintf(text, sizeof text, "%g ms", static_cast<double>(t.count()) / 1000.0);
  return text;
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  ParseResult result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i] == "-h" ? std::string("--help") : args[i];
    if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
      result.error = "unexpected argument '" + arg + "'";
      return result;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (const auto eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const OptionRule* rule = nullptr;
    for (const auto& s : Rules())
      if (name == s.name) rule = &s;
    if (!rule) {
      result.error = "unknown option '--" + name + "'";
      return result;
    }
    if (!rule->value) {
      if (value) {
        result.error = "--" + name + " takes no value";
        return result;
      }
      rule->apply(result.options, {}, 0);
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        result.error = "--" + name + " needs a value (" + rule->value + ")";
        return result;
      }
      value = args[++i];
    }
    if (rule->min > rule->max) {
      if (value->empty()) {
        result.error = "--" + name + " needs a non-empty " + rule->value;
        return result;
      }
      rule->apply(result.options, *value, 0);
      if (name == "adapter" && !result.options.adapter) {
        result.error = "--adapter wants one of " + emu::AdapterNames() + ", not '" + *value + "'";
        return result;
      }
      continue;
    }
    const auto number = ToInt(*value);
    if (!number || *number < rule->min || *number > rule->max) {
      result.error = "--" + name + " wants a whole number from " + std::to_string(rule->min) + " to " +
                     std::to_string(rule->max) + ", not '" + *value + "'";
      return result;
    }
    rule->apply(result.options, *value, *number);
  }
  return result;
}

std::string Usage(const std::string& program) {
  std::string text = "Usage: " + program + " [options]\n"
                     "A virtual GALT-5R on a pseudo-terminal. Prints the terminal's path as its\n"
                     "first line, logs every frame on stderr and runs until SIGINT or SIGTERM.\n\n"
                     "Options:\n";
  for (const auto& s : Rules()) {
    std::string left = std::string("  --") + s.name;
    if (s.value) left += std::string(" ") + s.value;
    if (left.size() < 32) left.resize(32, ' ');
    else left += "  ";
    text += left + s.help + "\n";
  }
  text += "\nAdapters (--adapter): how a bridge between the line and the loader hands the\n"
          "replies on; with --pace the line's own time comes first. The figures and where\n"
          "they come from:\n";
  for (const auto& a : emu::Adapters()) {
    text += "  " + std::string(a.name) + ": packets of " + std::to_string(a.packetBytes) +
            " bytes, a short one at the next " + Milliseconds(a.tick) +
            (a.tickFromLastPacket ? " tick after the last packet" : " tick") + ";\n    the loader's bytes at the next " +
            Milliseconds(a.outTick) + " tick" +
            (a.linkDelay.count() ? ", then " + Milliseconds(a.linkDelay) + " on the way each way" : std::string()) +
            ".\n";
    std::string figures = a.figures;
    for (std::size_t at = 0, end; at < figures.size(); at = end + 1) {
      end = figures.find('\n', at);
      if (end == std::string::npos) end = figures.size();
      text += "    " + figures.substr(at, end - at) + "\n";
    }
  }
  text += "\nRun through sudo, it hands the terminal to the calling user (group dialout,\n"
          "mode 0660), so the loader needs no root.\n";
  return text;
}

}  // namespace galt::emucli
