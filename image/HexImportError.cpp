#include "image/HexImportError.h"

namespace galt {

namespace {

std::string InLine(const char* what, int line) {
  return std::string(what) + " в строке " + std::to_string(line) + " файла!";
}

}  // namespace

std::string HexImportErrorText(const HexImportError& error) {
  switch (error.kind) {
    case HexImportErrorKind::BadChecksum:
      return InLine("Ошибка контрольной суммы", error.line);
    case HexImportErrorKind::NonHexCharacter:
      return InLine("Недопустимый символ", error.line);
    case HexImportErrorKind::BadRecordLength:
      return InLine("Неверная длина записи", error.line);
    case HexImportErrorKind::UnknownRecordType:
      return InLine("Неизвестный тип записи", error.line);
    case HexImportErrorKind::BeyondFlash:
      return InLine("Адрес данных за пределами FLASH-памяти", error.line);
    case HexImportErrorKind::ConflictingData:
      return InLine("Другие данные по уже заданному адресу", error.line);
    case HexImportErrorKind::NoData:
      return "Файл не содержит данных!";
    case HexImportErrorKind::NoEndOfFile:
      return "Файл обрезан: в нём нет записи конца файла. Возьмите файл целиком и повторите.";
    case HexImportErrorKind::CannotRead:
      return "Ошибка чтения файла!";
    case HexImportErrorKind::TooLarge:
      return "Файл слишком велик!";
  }
  return "Ошибка чтения файла!";
}

}  // namespace galt
