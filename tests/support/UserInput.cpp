#include "support/UserInput.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

namespace tabulo::test {

bool activate(QWidget *widget) {
    QWidget *top = widget->window();
    top->activateWindow();
    QApplication::setActiveWindow(top);
    return QTest::qWaitForWindowActive(top);
}

void typeInto(QLineEdit *edit, const QString &text) {
    activate(edit);
    QTest::mouseClick(edit, Qt::LeftButton, {}, edit->rect().center());
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, text);
}

void turnWheel(QWidget *widget, int notches) {
    const QPointF at = QRectF(widget->rect()).center();
    for (int i = 0; i < std::abs(notches); ++i) {
        QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? -120 : 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false, Qt::MouseEventNotSynthesized);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        qApp->notify(widget, &wheel);
    }
}

void clickRow(QTableView *view, int row) {
    const QRect cell = view->visualRect(view->model()->index(row, view->model()->columnCount() > 1 ? 1 : 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
}

} // namespace tabulo::test
