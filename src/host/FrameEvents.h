#pragma once

#include <QEvent>

class QObject;

namespace tabulo::host {

// The events list windows post to the main frame. The numbers are the frame's
// own event codes; they are also the QEvent types.
enum class FrameEvent {
    DisableMenus = 4001,        // companies list: grey out the menus while it adds in place
    EnableMenus = 4002,         // companies list: the menus again
    NamesListOpened = 4003,     // names list: grey out "Names List"
    CompaniesListOpened = 4004, // companies list: grey out "Companies List"
    NamesListClosed = 4005,     // names list: "Names List" again
    CompaniesListClosed = 4006, // companies list: "Companies List" again
    OpenNamesList = 4007        // companies list: act as if "Names List" was chosen
};

inline QEvent::Type eventType(FrameEvent event) {
    return static_cast<QEvent::Type>(static_cast<int>(event));
}

// True for the types 4001 to 4007.
bool isFrameEvent(QEvent::Type type);

// The frame records itself here at start; windows on any thread post to it.
void setFrameReceiver(QObject *frame);
QObject *frameReceiver();

// Posts `event` to the frame's thread. Safe from any thread; does nothing
// when no frame is running.
void postFrameEvent(FrameEvent event);

} // namespace tabulo::host
