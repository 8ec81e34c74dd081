#include "records/RegularFile.h"

namespace galt {

std::string FileProblemText(const FileProblem& problem) {
  switch (problem.fault) {
    case FileFault::None: return {};
    case FileFault::Missing: return "файла нет";
    case FileFault::NoFolder: return "папка недоступна";
    case FileFault::Folder: return "это папка, а не файл";
    case FileFault::NotPlain: return "это не обычный файл (канал, устройство или порт)";
    case FileFault::DanglingLink: return "ссылка ведёт в никуда";
    case FileFault::Denied: return "нет прав на запись";
    case FileFault::Busy: return "файл занят другой программой, закройте её";
    case FileFault::NoSpace: return "нет места на диске";
    case FileFault::TooLarge: return "файл слишком велик";
    case FileFault::Other: break;
  }
  return "ошибка системы " + std::to_string(problem.code);
}

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit,
                                           FileProblem& problem) {
  RegularFile file = RegularFile::Open(path, RegularFile::Access::Read, problem);
  if (!file.IsOpen()) return std::nullopt;
  // Read to its end, whatever size it claims: a file may grow while read.
  std::string text;
  char chunk[64 * 1024];
  for (;;) {
    const std::ptrdiff_t n = file.Read(chunk, sizeof chunk);
    if (n < 0) {
      problem = {FileFault::Other, RegularFile::LastCode()};
      return std::nullopt;
    }
    if (n == 0) return text;
    if (text.size() + static_cast<std::size_t>(n) > limit) {
      problem = {FileFault::TooLarge, 0};
      return std::nullopt;
    }
    text.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace galt
