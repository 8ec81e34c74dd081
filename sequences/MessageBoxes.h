#pragma once
// Modal message boxes with one OK button, behind an interface: the program
// shows application-modal boxes, tests record them.
//
// Show returns when the user has closed the box. While a box is open the
// event loop goes on (timer ticks are handled).

#include <string>

namespace galt {

enum class BoxIcon { Error, Information };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual void Show(BoxIcon icon, const std::string& caption, const std::string& text) = 0;
};

// Captions and texts the loader shows (UTF-8).
namespace texts {
inline const std::string kErrorCaption = "  Tornel Ltd";
inline const std::string kActivationCaption = "Активизация программы";
inline const std::string kActivationDone = "Активизация программы выполнена";
inline const std::string kWrongModel = "Устройство не соответствует модификации!";
inline const std::string kDataError = "Ошибка данных FLASH!";
inline const std::string kReadCaption = "Считывание FLASH-памяти";
inline const std::string kReadDone = "Данные FLASH-памяти считаны";
inline const std::string kVerifyCaption = "Проверка FLASH-памяти";
inline const std::string kVerifyDone = "Данные FLASH-памяти проверены";
inline const std::string kWriteError = "Ошибка записи FLASH!";
inline const std::string kDeactivateError = "Ошибка деактивизации FLASH!";
inline const std::string kLoadError = "Ошибка загрузки программы!";
inline const std::string kPortOpenErrorAtStart = "Ошибка открыти порта !";
inline const std::string kPortOpenError = "Ошибка открытия порта !";
inline const std::string kNoPorts = "Не найдено ни одного последовательного порта !";
// Followed by the ports that could not be opened, one a line.
inline const std::string kPortsDenied =
    "Нет доступа к последовательным портам:";
inline const std::string kPortsDeniedHint =
    "Учётной записи нужен доступ к последовательным портам (в Debian — членство в группе dialout).";
// Followed by the busy ports, one a line, and the hint.
inline const std::string kPortsBusy = "Все найденные последовательные порты заняты другими программами:";
inline const std::string kPortsBusyHint = "Закройте эти программы и выберите порт в списке.";
// The same for the command line, which has no list.
inline const std::string kPortsBusyHintCli = "Закройте эти программы или укажите другой порт.";
// A busy port in the port list: "занят: picocom, PID 1234".
inline const std::string kPortBusy = "занят: ";
inline const std::string kPortBusyUnknown = "занят другой программой";
// The install button pressed with no port open.
inline const std::string kNoPortOpen =
    "Порт не открыт: выберите в списке порт, к которому подключено устройство, и повторите.";
// The device behind the open port has gone (an adapter pulled out).
inline std::string LinkLostText(const std::string& portName) {
  return "Связь с устройством потеряна: порт " + portName + " отключён. Подключите устройство и повторите.";
}
}  // namespace texts

}  // namespace galt
