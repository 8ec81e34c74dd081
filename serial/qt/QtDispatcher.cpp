#include "serial/qt/QtDispatcher.h"

#include <QMetaObject>

namespace galt {

TSerQtDispatcher::TSerQtDispatcher(QObject* Context)
    : OwnContext_(Context == nullptr ? new QObject : nullptr),
      Context_(Context == nullptr ? OwnContext_ : Context) {}

TSerQtDispatcher::~TSerQtDispatcher() { delete OwnContext_; }

void TSerQtDispatcher::Post(std::function<void()> Call) {
  // Thread-safe: a queued invocation only posts an event to Context_'s thread.
  QMetaObject::invokeMethod(Context_, std::move(Call), Qt::QueuedConnection);
}

}  // namespace galt
