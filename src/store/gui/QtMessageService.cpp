#include "store/gui/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tabulo::store {

namespace {

using namespace Qt::StringLiterals;

constexpr std::array<std::pair<int, QMessageBox::StandardButton>, 7> kButtons{{
    {Button::Ok, QMessageBox::Ok},
    {Button::Yes, QMessageBox::Yes},
    {Button::No, QMessageBox::No},
    {Button::Abort, QMessageBox::Abort},
    {Button::Retry, QMessageBox::Retry},
    {Button::Ignore, QMessageBox::Ignore},
    {Button::Cancel, QMessageBox::Cancel},
}};

bool onGuiThread() {
    return QThread::currentThread() == qApp->thread();
}

// Widgets live on the GUI thread only; a caller elsewhere waits for the
// result there.
template <typename F> void runOnGuiThread(F &&work) {
    if (onGuiThread())
        work();
    else
        QMetaObject::invokeMethod(qApp, std::forward<F>(work), Qt::BlockingQueuedConnection);
}

int showOnGuiThread(const MessageBox &box) {
    QWidget *ownerWindow = nullptr;
    if (auto *widget = qobject_cast<QWidget *>(box.owner))
        ownerWindow = widget->window();

    // On the heap: the dialog is the owner's child, and the owner may be
    // destroyed while the box is up, taking the dialog with it.
    QPointer<QMessageBox> dialog = new QMessageBox(ownerWindow);
    dialog->setObjectName(u"standardMessage%1"_s.arg(box.number));
    dialog->setWindowTitle(box.title);
    dialog->setText(box.text);
    dialog->setIcon(box.icon == MessageIcon::Question      ? QMessageBox::Question
                    : box.icon == MessageIcon::Information ? QMessageBox::Information
                                                           : QMessageBox::Warning);
    QMessageBox::StandardButtons buttons;
    for (const auto &[value, standard] : kButtons) {
        if (box.buttons & value)
            buttons |= standard;
    }
    dialog->setStandardButtons(buttons);
    for (const auto &[value, standard] : kButtons) {
        if (box.defaultButton == value)
            dialog->setDefaultButton(standard);
    }
    dialog->setWindowModality(ownerWindow ? Qt::WindowModal : Qt::ApplicationModal);

    dialog->exec();
    if (!dialog)
        return box.defaultButton;
    const QMessageBox::StandardButton pressed = dialog->standardButton(dialog->clickedButton());
    delete dialog.data();
    for (const auto &[value, standard] : kButtons) {
        if (pressed == standard && (box.buttons & value))
            return value;
    }
    return box.defaultButton;
}

} // namespace

int QtMessageService::show(const MessageBox &box) {
    if (!qApp) {
        std::fputs(qPrintable(box.title + u": "_s + box.text + u'\n'), stderr);
        return box.defaultButton;
    }
    int pressed = box.defaultButton;
    runOnGuiThread([&] { pressed = showOnGuiThread(box); });
    return pressed;
}

void QtMessageService::halt(const QString &haltText) {
    std::fputs(qPrintable(haltText + u'\n'), stderr);
    std::fflush(stderr);
    if (qApp && !haltText.isEmpty()) {
        runOnGuiThread([&] {
            QMessageBox dialog(QMessageBox::Critical, u"Halt"_s, haltText, QMessageBox::Ok);
            dialog.setObjectName(u"haltMessage"_s);
            dialog.setWindowModality(Qt::ApplicationModal);
            dialog.exec();
        });
    }
    std::_Exit(1);
}

void QtMessageService::install() {
    static QtMessageService service;
    MessageService::setCurrent(&service);
}

} // namespace tabulo::store
