#include "app/cli/CliOptions.h"

#include <charconv>

#include "sequences/InstallTiming.h"

namespace galt::cli {

namespace {

// A whole decimal number within [min, max], or nothing.
std::optional<int> NumberIn(const std::string& text, int min, int max) {
  int value = 0;
  const char* last = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), last, value);
  if (text.empty() || ec != std::errc() || ptr != last || value < min || value > max) return std::nullopt;
  return value;
}

std::string Range(int min, int max) { return std::to_string(min) + " до " + std::to_string(max); }

// How a port is named here, the examples' ports, and what stops a run.
#ifdef _WIN32
const std::string kPortHelp =
    "    --port ПОРТ      COM-порт: COM5 или \\\\.\\COM5 (от COM1 до COM256 и выше,\n"
    "                     если Windows даёт порту такой номер)\n";
const std::string kExamplePorts[] = {"COM5", "COM12"};
const std::string kStopHelp = "    130  остановлено (Ctrl+C, Ctrl+Break или закрытие окна консоли)\n";
const std::string kJournalHelp = "%LOCALAPPDATA%\\GALT-5R\\journal.csv";
#else
const std::string kPortHelp =
    "    --port ПОРТ      имя порта, как в окне и в --list (USB0, ACM0, S0),\n"
    "                     или путь устройства (/dev/ttyUSB0)\n";
const std::string kExamplePorts[] = {"USB0", "/dev/ttyUSB0"};
const std::string kStopHelp = "    130  остановлено (Ctrl+C или сигнал завершения)\n";
const std::string kJournalHelp = "~/.local/state/galt-loader/journal.csv";
#endif

}  // namespace

CliParse ParseCliArguments(const std::vector<std::string>& args) {
  CliParse result;
  CliOptions& o = result.options;
  bool read = false, verify = false, list = false, journal = false, version = false;
  std::string& error = result.error;

  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const bool takesValue = name == "--port" || name == "--serial" || name == "--read" ||
                            name == "--verify" || name == "--blocks" || name == "--trace" ||
                            name == "--journal-file";
    if (name == "--help" || name == "-h") {
      o = CliOptions{};
      o.action = Action::Help;
      error.clear();
      return result;
    }
    if (name == "--version" && !value) {
      version = true;
      continue;
    }
    if (!error.empty()) continue;  // a later --help or --version still wins
    if (!takesValue) {
      if (name == "--list" && !value) {
        list = true;
      } else if (name == "--journal" && !value) {
        journal = true;
      } else if (name.rfind("-", 0) == 0) {
        error = "неизвестный параметр " + args[i];
      } else {
        error = "лишний аргумент " + args[i];
      }
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        error = "параметру " + name + " нужно значение";
        continue;
      }
      value = args[++i];
    }
    if ((name == "--port" && !o.port.empty()) || (name == "--serial" && o.serial)) {
      error = name + " указан дважды: укажите одно значение";
      continue;
    }
    if (name == "--port") {
      o.port = *value;
      if (o.port.empty()) error = "пустое имя порта";
    } else if (name == "--serial") {
      o.serial = NumberIn(*value, kSerialMin, kSerialMax);
      if (!o.serial) error = "серийный номер — целое число от " + Range(kSerialMin, kSerialMax) + ": " + *value;
    } else if (name == "--trace") {
      o.trace = *value;
      if (o.trace->empty()) error = "пустое имя файла у --trace";
    } else if (name == "--journal-file") {
      o.journalFile = *value;
      if (o.journalFile.empty()) error = "пустое имя файла у --journal-file";
    } else if (name == "--blocks") {
      o.blocks = NumberIn(*value, kBlockLimitMin, kFlashBlocks);
      if (!o.blocks) error = "число блоков — целое число от " + Range(kBlockLimitMin, kFlashBlocks) + ": " + *value;
    } else {
      (name == "--read" ? read : verify) = true;
      o.file = *value;
      if (o.file.empty()) error = "пустое имя файла у " + name;
    }
  }
  if (version) {
    o = CliOptions{};
    o.action = Action::Version;
    error.clear();
    return result;
  }
  if (!error.empty()) return result;

  const bool portUsed = !o.port.empty() || o.serial || o.blocks || read || verify;
  if (list) {
    if (portUsed || journal) error = "--list не сочетается с другими параметрами";
    o.action = Action::List;
    return result;
  }
  if (journal) {
    if (portUsed) error = "--journal не сочетается с параметрами операции";
    o.action = Action::Journal;
    return result;
  }
  if (read && verify) {
    error = "--read и --verify — разные операции, укажите одну";
  } else if (o.port.empty()) {
    error = "не указан порт (--port)";
  } else if (o.blocks && !read && !verify) {
    error = "--blocks задаёт число блоков для --read и --verify";
  } else if (!o.serial && !read) {
    error = "не указан серийный номер (--serial)";
  }
  o.action = read ? Action::Read : verify ? Action::Verify : Action::Install;
  return result;
}

std::string CliUsage(const std::string& program) {
  const std::string p = program;
  const std::string version(kFirmwareVersion);
  return "ИМЯ\n"
         "    " + p + " — загрузчик версии " + version + " в GALT-5R из командной строки\n"
         "\n"
         "ОБЗОР\n"
         "    " + p + " --port ПОРТ --serial N\n"
         "    " + p + " --port ПОРТ [--serial N] --read ФАЙЛ [--blocks N]\n"
         "    " + p + " --port ПОРТ --serial N --verify ФАЙЛ [--blocks N]\n"
         "    " + p + " --list\n"
         "    " + p + " --journal [--journal-file ФАЙЛ]\n"
         "    " + p + " --help | --version\n"
         "\n"
         "ОПИСАНИЕ\n"
         "    Без --read и --verify устанавливает версию GALT-5R." + version + " в устройство на\n"
         "    порту ПОРТ, как кнопка окна: останавливает программу устройства, пишет\n"
         "    образ с серийным номером N, запускает новую программу и ждёт, что\n"
         "    устройство ответит этим номером. Сообщения окна выводятся строками:\n"
         "    ошибки в stderr, остальное в stdout; ход работы — полосой на терминале\n"
         "    и редкими строками, если вывод не на терминал.\n"
         "    Каждая операция оставляет строку в журнале установок (CSV); если номер\n"
         "    N уже записан, это говорится до начала установки.\n"
         "\n"
         "ПАРАМЕТРЫ\n"
         + kPortHelp +
         "    --serial N       серийный номер устройства, от " + Range(kSerialMin, kSerialMax) + "\n"
         "    --read ФАЙЛ      считать flash-память (блоки 0.." + std::to_string(kBlockLimitDefault - 1) +
         ") в файл Intel HEX\n"
         "    --verify ФАЙЛ    сверить flash-память с файлом Intel HEX; в образ\n"
         "                     вписывается серийный номер N, как при проверке в окне;\n"
         "                     проверяются блоки, которые покрывает файл, плюс два\n"
         "    --blocks N       для --read и --verify: блоки 0..N-1 (от " + Range(kBlockLimitMin, kFlashBlocks) + ")\n"
         "    --trace ФАЙЛ     дописать в ФАЙЛ трассу линии для поддержки: настройки\n"
         "                     порта, каждый кадр и ответ с расшифровкой, итог\n"
         "                     (то же делает переменная окружения GALT_TRACE=ФАЙЛ);\n"
         "                     после 50 МБ трасса продолжается в ФАЙЛ.1, ФАЙЛ.2, ...\n"
         "    --list           перечислить последовательные порты, которые можно открыть\n"
         "    --journal        путь журнала установок и 20 последних записей\n"
         "    --journal-file ФАЙЛ\n"
         "                     вести журнал в ФАЙЛ (иначе GALT_JOURNAL или\n"
         "                     " + kJournalHelp + ")\n"
         "    --help           эта справка\n"
         "    --version        версия программы\n"
         "\n"
         "КОДЫ ЗАВЕРШЕНИЯ\n"
         "    0    успех: устройство подтвердило серийный номер, файл считан или\n"
         "         проверен, порты перечислены\n"
         "    1    ошибка устройства или операции (текст сообщения в stderr)\n"
         "    2    неверная командная строка\n"
         "    3    порт не открывается или не найден ни один порт\n"
         "    4    файл не читается, не импортируется или не записывается;\n"
         "         для --journal: в файле не журнал загрузчика\n"
         + kStopHelp +
         "\n"
         "ПРИМЕРЫ\n"
         "    " + p + " --port " + kExamplePorts[0] + " --serial 237\n"
         "    " + p + " --port " + kExamplePorts[1] + " --serial 237 --read galt-237.hex\n";
}

}  // namespace galt::cli
