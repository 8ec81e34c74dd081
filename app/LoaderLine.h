#pragma once
// The loader's line, as the window and the command line set it up: 14400
// baud, 8N1, no flow control, DTR off, RTS on; and how both show the line's
// errors.

#include <exception>
#include <functional>
#include <string>

#include "serial/SerComm.h"

namespace galt {

inline void UseLoaderLine(TSerCustomComm& comm) {
  comm.SetBaudrate(TSerBaudrate::br14400);
  comm.FlowControl().SetControlDtr(TSerControlDtr::dtrDisabled);
  comm.FlowControl().SetControlRts(TSerControlRts::rtsEnabled);
}

// Hands the component's errors to Show, but not the text shown last again:
// a dead adapter fails the same way at every delivery. Clearing Shown (when
// the port is opened anew) lets the next one through.
inline void ShowLineErrorsOnce(TSerCustomComm& comm, std::string& Shown,
                               std::function<void(const std::exception&)> Show) {
  comm.SetExceptionDisplay([&Shown, Show = std::move(Show)](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      if (e.what() == Shown) return;
      Shown = e.what();
      Show(e);
    }
  });
}

}  // namespace galt
