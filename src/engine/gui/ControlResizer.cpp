#include "engine/gui/ControlResizer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <cmath>

namespace tabulo::engine::gui {

namespace {

double fourPlaces(double value) {
    return std::round(value * 10000.0) / 10000.0;
}

int whole(double value) {
    return static_cast<int>(std::lround(value));
}

// Widgets that never count as controls of a form.
bool isChrome(const QWidget *widget) {
    return qobject_cast<const QMenuBar *>(widget) || qobject_cast<const QMenu *>(widget) ||
           qobject_cast<const QStatusBar *>(widget) || qobject_cast<const QToolBar *>(widget) ||
           widget->isWindow();
}

// Composite controls whose inner widgets belong to them, not to the form.
bool isComposite(const QWidget *widget) {
    return qobject_cast<const QComboBox *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget) ||
           qobject_cast<const QAbstractScrollArea *>(widget) ||
           qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QLineEdit *>(widget);
}

bool managedByLayout(const QWidget *widget) {
    const QWidget *parent = widget->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(const_cast<QWidget *>(widget)) >= 0;
}

} // namespace

ControlResizer::ControlResizer(QWidget *window)
    : QObject(window)
    , m_window(window) {
    setObjectName(QStringLiteral("controlResizer"));
}

ControlResizer *ControlResizer::install(QWidget *window) {
    if (ControlResizer *existing = of(window))
        return existing;
    auto *resizer = new ControlResizer(window);
    resizer->m_initialSize = window->size();
    resizer->m_lastSize = window->size();
    resizer->collect(window);
    window->installEventFilter(resizer);
    return resizer;
}

ControlResizer *ControlResizer::of(const QWidget *window) {
    return window->findChild<ControlResizer *>(QStringLiteral("controlResizer"), Qt::FindDirectChildrenOnly);
}

ControlResizer::Kind ControlResizer::kindOf(const QWidget *widget) {
    if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget) ||
        qobject_cast<const QAbstractSpinBox *>(widget))
        return Kind::Entry;
    if (qobject_cast<const QCheckBox *>(widget) || qobject_cast<const QRadioButton *>(widget))
        return Kind::Check;
    if (qobject_cast<const QAbstractButton *>(widget))
        return Kind::Button;
    if (qobject_cast<const QLabel *>(widget))
        return Kind::Plain;
    return Kind::Other;
}

// Walks the controls in creation order, which is their control-number order.
// A tab widget's pages are entered; the pages themselves are placed by the
// tab widget.
void ControlResizer::collect(QWidget *parent) {
    QList<QWidget *> children;
    if (auto *tabs = qobject_cast<QTabWidget *>(parent)) {
        for (int i = 0; i < tabs->count(); ++i)
            children.append(tabs->widget(i));
        for (QWidget *page : children)
            collect(page);
        return;
    }
    if (auto *stack = qobject_cast<QStackedWidget *>(parent)) {
        for (int i = 0; i < stack->count(); ++i)
            collect(stack->widget(i));
        return;
    }
    for (QObject *object : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(object);
        if (!widget || isChrome(widget) || managedByLayout(widget))
            continue;
        Control control;
        control.widget = widget;
        control.kind = kindOf(widget);
        control.initial = widget->geometry();
        switch (control.kind) {
        case Kind::Entry:
            control.fixedHeight = true;
            break;
        case Kind::Button:
            control.horizontalMode = NearestX;
            control.verticalMode = NearestY;
            control.fixedWidth = true;
            control.fixedHeight = true;
            break;
        case Kind::Check:
            control.fixedWidth = true;
            control.fixedHeight = true;
            break;
        case Kind::Plain:
        case Kind::Other:
            break;
        }
        m_controls.append(control);
        if (!isComposite(widget))
            collect(widget);
    }
}

QRect ControlResizer::placeInWindow(const Control &control, const QRect &at) const {
    const double hs = m_horizontalScale;
    const double vs = m_verticalScale;
    const int windowWidth = m_window->width();
    const int windowHeight = m_window->height();

    double x = at.x() * hs;
    double y = at.y() * vs;
    double width = control.fixedWidth ? at.width() : at.width() * hs;
    double height = control.fixedHeight ? at.height() : at.height() * vs;

    int horizontal = control.horizontalMode;
    if (horizontal == NearestX)
        horizontal = (m_initialSize.width() - at.x() - at.width()) < at.x() ? KeepRight : KeepLeft;
    int vertical = control.verticalMode;
    if (vertical == NearestY)
        vertical = (m_initialSize.height() - at.y() - at.height()) < at.y() ? KeepBottom : KeepTop;

    if (hs != 1.0) {
        switch (horizontal) {
        case KeepX:
            x = at.x();
            break;
        case KeepRight: {
            const double d = m_initialSize.width() - at.x();
            x = control.fixedWidth ? windowWidth - d : windowWidth - d * hs;
            break;
        }
        case KeepLeft:
            x = control.fixedWidth ? at.x() : at.x() * hs;
            break;
        case KeepCentreX: {
            const double c = at.x() - m_initialSize.width() / 2.0;
            x = control.fixedWidth ? windowWidth / 2.0 + c : windowWidth / 2.0 + c * hs;
            break;
        }
        default:
            break;
        }
    }
    if (vs != 1.0) {
        switch (vertical) {
        case KeepY:
            y = at.y();
            break;
        case KeepBottom: {
            const double d = m_initialSize.height() - at.y();
            y = control.fixedHeight ? windowHeight - d : windowHeight - d * vs;
            break;
        }
        case KeepTop:
            y = control.fixedHeight ? at.y() : at.y() * vs;
            break;
        case KeepCentreY: {
            const double c = at.y() - m_initialSize.height() / 2.0;
            y = control.fixedHeight ? windowHeight / 2.0 + c : windowHeight / 2.0 + c * vs;
            break;
        }
        default:
            break;
        }
    }
    // A one-unit-wide plain text is a marker line: it moves but keeps its width.
    if (control.kind == Kind::Plain && at.width() == 1)
        width = at.width();
    return QRect(whole(x), whole(y), whole(width), whole(height));
}

void ControlResizer::resize() {
    const QSize size = m_window->size();
    if (size == m_lastSize)
        return;
    m_lastSize = size;
    m_horizontalScale = fourPlaces(double(size.width()) / m_initialSize.width());
    m_verticalScale = fourPlaces(double(size.height()) / m_initialSize.height());

    // Each control is placed in window coordinates and then set in its
    // parent's coordinates; its parent moved with the nearest control above
    // it (a group box, a tab widget), which was placed before it.
    QHash<const QWidget *, QRect> initialInWindow;
    QHash<const QWidget *, QRect> placedInWindow;
    const bool updates = m_window->updatesEnabled();
    m_window->setUpdatesEnabled(false);
    for (const Control &control : std::as_const(m_controls)) {
        QWidget *widget = control.widget;
        if (!widget)
            continue;
        QWidget *parent = widget->parentWidget();
        const QWidget *anchor = parent;
        while (anchor && anchor != m_window && !initialInWindow.contains(anchor))
            anchor = anchor->parentWidget();
        if (!anchor)
            anchor = m_window;
        const QPoint offset = parent == anchor ? QPoint(0, 0) : parent->mapTo(anchor, QPoint(0, 0));
        const QPoint initialBase =
            (anchor == m_window ? QPoint(0, 0) : initialInWindow.value(anchor).topLeft()) + offset;
        const QPoint placedBase =
            (anchor == m_window ? QPoint(0, 0) : placedInWindow.value(anchor).topLeft()) + offset;

        const QRect initial = control.initial.translated(initialBase);
        const QRect target = placeInWindow(control, initial);
        initialInWindow.insert(widget, initial);
        placedInWindow.insert(widget, target);
        widget->setGeometry(target.translated(-placedBase));
    }
    m_window->setUpdatesEnabled(updates);
}

bool ControlResizer::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window && event->type() == QEvent::Resize)
        resize();
    return QObject::eventFilter(watched, event);
}

} // namespace tabulo::engine::gui
