#include "host/FrameEvents.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPointer>

namespace tabulo::host {

namespace {
QMutex s_mutex;
QPointer<QObject> s_frame;
} // namespace

bool isFrameEvent(QEvent::Type type) {
    const int value = static_cast<int>(type);
    return value >= static_cast<int>(FrameEvent::DisableMenus) &&
           value <= static_cast<int>(FrameEvent::OpenNamesList);
}

void setFrameReceiver(QObject *frame) {
    const QMutexLocker lock(&s_mutex);
    s_frame = frame;
}

QObject *frameReceiver() {
    const QMutexLocker lock(&s_mutex);
    return s_frame.data();
}

void postFrameEvent(FrameEvent event) {
    const QMutexLocker lock(&s_mutex);
    if (s_frame)
        QCoreApplication::postEvent(s_frame.data(), new QEvent(eventType(event)));
}

} // namespace tabulo::host
