#include "frontend/WindowOptions.h"

#include "records/UntrustedText.h"
#include "sequences/InstallTiming.h"

namespace galt {

const std::vector<WindowOption>& WindowOptionTable() {
  static const std::vector<WindowOption> table = {
      {"--help", "", "эта справка"},
      {"--version", "", "версия программы"},
      {"--trace", "ФАЙЛ", "записать обмен по линии в ФАЙЛ (для поддержки; после 50 МБ — в ФАЙЛ.1, ФАЙЛ.2, ...)"},
      {"--journal-file", "ФАЙЛ", "вести журнал установок в ФАЙЛ"},
  };
  return table;
}

WindowOptions ParseWindowOptions(const std::vector<std::string>& Args) {
  WindowOptions result;
  bool help = false, version = false;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    const std::string& arg = Args[i];
    const WindowOption* known = nullptr;
    for (const WindowOption& option : WindowOptionTable())
      if (arg == option.name) known = &option;
    if (known == nullptr) {
      if (result.error.empty()) result.error = "неизвестный параметр " + arg;
      continue;
    }
    if (!known->value.empty()) {
      if (++i >= Args.size()) {
        if (result.error.empty()) result.error = arg + ": не указано значение " + std::string(known->value);
        continue;
      }
      if (arg == "--trace") result.trace = Args[i];
      if (arg == "--journal-file") {
        result.journal = Args[i];
        if (Args[i].empty() && result.error.empty()) result.error = "пустое имя файла у --journal-file";
      }
    }
    help = help || arg == "--help";
    version = version || arg == "--version";
  }
  if (help || version) return {help ? WindowAction::Help : WindowAction::Version, {}, {}, {}};
  if (!result.error.empty()) result.action = WindowAction::Usage;
  return result;
}

std::string WindowHelp(const std::string& Program) {
  std::string text = "Использование: " + Program + " [ПАРАМЕТР]\n" +
                     "Окно загрузчика версии " + std::string(kFirmwareVersion) +
                     " в GALT-5R: выберите порт, задайте серийный номер\n"
                     "и нажмите кнопку установки.\n"
                     "Для сценариев и производственных линий: galt-loader-cli --help.\n\nПараметры:\n";
  for (const WindowOption& option : WindowOptionTable()) {
    std::string left = "  " + std::string(option.name);
    if (!option.value.empty()) left += " " + std::string(option.value);
    // Columns by letters, not bytes: the values may be Cyrillic.
    const std::size_t letters = Utf8Characters(left);
    text += left + std::string(letters < 20 ? 20 - letters : 1, ' ') + std::string(option.help) + "\n";
  }
  return text;
}

std::string ProgramVersion(const std::string& Program) {
  return Program + " " GALT_VERSION " — загрузчик версии " + std::string(kFirmwareVersion) + " в GALT-5R\n";
}

std::string WindowUsageError(const std::string& Program, const std::string& Error) {
  return Program + ": " + Error + "\nСправка: " + Program + " --help\n";
}

std::string NoDisplayText(const std::string& Program) {
  return Program + ": окну загрузчика нужен графический сеанс, а он не найден.\n"
                   "Запустите программу в графическом сеансе или установите из командной строки: "
                   "galt-loader-cli --help.\n";
}

}  // namespace galt
