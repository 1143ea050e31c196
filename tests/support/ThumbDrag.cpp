#include "support/ThumbDrag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

namespace tabulo::test {

namespace {

void send(QScrollBar *bar, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(bar->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(bar, &event);
}

QRect handleRect(QScrollBar *bar) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_None;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    option.upsideDown = bar->invertedAppearance();
    if (bar->orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
}

} // namespace

bool dragThumbTo(QScrollBar *bar, int position) {
    if (!bar || !bar->isVisible())
        return false;
    const QRect handle = handleRect(bar);
    if (!handle.isValid())
        return false;
    const QPoint grip = handle.center();
    send(bar, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    if (!bar->isSliderDown())
        return false;
    // The style maps pixels to values with its own rounding: walk the
    // pointer along the bar until the handle stands where it should.
    const bool vertical = bar->orientation() == Qt::Vertical;
    const int length = vertical ? bar->height() : bar->width();
    bool reached = false;
    for (int offset = -length; offset <= length && !reached; ++offset) {
        const QPoint at =
            vertical ? QPoint(grip.x(), grip.y() + offset) : QPoint(grip.x() + offset, grip.y());
        send(bar, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        reached = bar->sliderPosition() == position;
        if (reached)
            send(bar, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }
    if (!reached)
        send(bar, QEvent::MouseButtonRelease, grip, Qt::LeftButton, Qt::NoButton);
    return reached;
}

} // namespace tabulo::test
