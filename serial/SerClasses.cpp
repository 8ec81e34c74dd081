// The platform-independent parts of the base classes; events, waits, ticks
// and thread priorities are in linux/SerEventsLinux.cpp and win32/SerEventsWin32.cpp.

#include "serial/SerClasses.h"

#include <stdexcept>
#include <typeinfo>

namespace galt {

int ThreadPriorityOffset(TThreadPriority Priority) {
  switch (Priority) {
    case tpIdle: return -15;
    case tpLowest: return -2;
    case tpLower: return -1;
    case tpNormal: return 0;
    case tpHigher: return 1;
    case tpHighest: return 2;
    case tpTimeCritical: return 15;
  }
  return 0;
}

void TSerPersistent::Assign(const TSerPersistent& Source) {
  if (typeid(Source) != typeid(*this)) {
    throw std::invalid_argument(std::string("Cannot assign a ") + Source.ClassName() + " to a " +
                                ClassName());
  }
  if (&Source == this) return;
  Changing();
  BeginUpdate();
  try {
    AssignProperties(Source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  Changed();
}

void TSerPersistent::Changing() const {
  if (OnChanging_) OnChanging_();
}

void TSerPersistent::Changed() const {
  if (UpdateCount_ == 0 && OnChange_) OnChange_();
}

}  // namespace galt
