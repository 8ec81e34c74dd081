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

// Captions and texts of the core's boxes (UTF-8). What the front ends say of
// ports is theirs (frontend/PortTexts.h).
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
// The install button pressed with no port open.
inline const std::string kNoPortOpen =
    "Порт не открыт: выберите в списке порт, к которому подключено устройство, и повторите.";
// The device behind the open port has gone (an adapter pulled out).
inline std::string LinkLostText(const std::string& portName) {
  return "Связь с устройством потеряна: порт " + portName + " отключён. Подключите устройство и повторите.";
}
// A verify pass found the device's flash unlike the image, first in `block`.
inline std::string DataErrorText(int block) {
  return kDataError + " Блок " + std::to_string(block) + " отличается от файла. Проверьте, тот ли это файл.";
}
// A read or verify pass got no reply to a block's request in time.
inline std::string BlockReplyMissingText(const std::string& block) {
  return "Устройство не ответило на чтение блока " + block + ". Проверьте подключение и повторите.";
}
}  // namespace texts

}  // namespace galt
