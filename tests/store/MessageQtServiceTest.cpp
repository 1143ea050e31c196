#include "store/Messages.h"
#include "store/gui/QtMessageService.h"
#include "support/ChildProcess.h"
#include "support/QStringPrinter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

using namespace tabulo::store;

namespace {

// Answers the next modal message box as soon as it is up: `answer` looks at
// the box and returns the button to click.
class BoxAnswerer final {
public:
    using Answer = std::function<QMessageBox::StandardButton(QMessageBox &)>;

    explicit BoxAnswerer(Answer answer)
        : m_answer(std::move(answer)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    int answered() const { return m_answered; }

private:
    void poll() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == m_last)
            return;
        m_last = box;
        ++m_answered;
        if (QAbstractButton *button = box->button(m_answer(*box)))
            button->click();
        else
            box->reject();
    }

    Answer m_answer;
    QTimer m_timer;
    QMessageBox *m_last = nullptr;
    int m_answered = 0;
};

TEST(QtMessageService, ShowsTheExactBoxApplicationModalAndReturnsTheButtonClicked) {
    QtMessageService service;
    MessageBox box;
    box.number = 33;
    box.title = QStringLiteral("Update Cancelled");
    box.text = QStringLiteral("Do you want to save the changes to this record?");
    box.icon = MessageIcon::Question;
    box.buttons = Button::Yes | Button::No | Button::Cancel;
    box.defaultButton = Button::No;

    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::WindowModality modality = Qt::NonModal;
    BoxAnswerer answerer([&](QMessageBox &shown) {
        title = shown.windowTitle();
        text = shown.text();
        buttons = shown.standardButtons();
        defaultButton = shown.standardButton(shown.defaultButton());
        icon = shown.icon();
        modality = shown.windowModality();
        return QMessageBox::Cancel;
    });

    EXPECT_EQ(service.show(box), Button::Cancel);
    EXPECT_EQ(answerer.answered(), 1);
    EXPECT_EQ(title, box.title);
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(defaultButton, QMessageBox::No);
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(modality, Qt::ApplicationModal);
}

TEST(QtMessageService, StandardMessageWithAnOwnerIsWindowModalOverItsWindow) {
    QtMessageService service;
    MessageService *previous = MessageService::setCurrent(&service);
    QWidget window;
    auto *field = new QWidget(&window);
    window.show();

    const QWidget *parentWindow = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    QMessageBox::StandardButtons buttons;
    QString title, text;
    BoxAnswerer answerer([&](QMessageBox &shown) {
        parentWindow = shown.parentWidget() ? shown.parentWidget()->window() : nullptr;
        modality = shown.windowModality();
        buttons = shown.standardButtons();
        title = shown.windowTitle();
        text = shown.text();
        return QMessageBox::Ok;
    });

    const int pressed = standardMessage(field, 24, QStringLiteral("CAT:cat_key"));
    MessageService::setCurrent(previous);

    EXPECT_EQ(pressed, Button::Ok);
    EXPECT_EQ(parentWindow, &window);
    EXPECT_EQ(modality, Qt::WindowModal);
    EXPECT_EQ(buttons, QMessageBox::Ok);
    EXPECT_EQ(title, QStringLiteral("Duplicate Key Error"));
    EXPECT_EQ(text, QStringLiteral("Adding this record creates a duplicate entry for the key:CAT:cat_key"));
    window.close();
}

TEST(QtMessageService, BoxAskedForFromAWorkerThreadIsShownOnTheGuiThread) {
    QtMessageService service;
    MessageBox box;
    box.number = 25;
    box.title = QStringLiteral("Auto Increment Error");
    box.text = QStringLiteral("Attempts to automatically number this record have failed.  Error: Busy (1).");
    box.buttons = Button::Retry | Button::Cancel;
    box.defaultButton = Button::Cancel;

    bool onGuiThread = false;
    BoxAnswerer answerer([&](QMessageBox &shown) {
        onGuiThread = shown.thread() == qApp->thread();
        return QMessageBox::Retry;
    });

    int pressed = 0;
    QEventLoop loop;
    std::thread worker([&] {
        pressed = service.show(box);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit); // never hang the suite
    loop.exec();
    worker.join();

    EXPECT_EQ(pressed, Button::Retry);
    EXPECT_TRUE(onGuiThread);
}

// The halt ends the whole process, so it runs in a child: the child shows
// message 4 with the real service, answers both boxes and reports what it saw.
const bool s_haltRole = tabulo::test::registerChildRole("qt-message-halt", [](int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QtMessageService::install();
    BoxAnswerer answerer([](QMessageBox &shown) {
        std::printf("box[%s|%s]\n", qPrintable(shown.windowTitle()), qPrintable(shown.text()));
        std::fflush(stdout);
        return QMessageBox::Ok;
    });
    standardMessage(4, QStringLiteral("QKNAM.TPS"));
    std::printf("continued\n");
    std::fflush(stdout);
    return 0;
});

TEST(QtMessageService, HaltShowsTheHaltTextAndEndsTheProcessAtOnce) {
    QProcess child;
    child.start(tabulo::test::selfPath(), {QStringLiteral("--child"), QStringLiteral("qt-message-halt")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());

    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("box[File Creation Error|Error: (")) &&
                out.contains(QStringLiteral("creating QKNAM.TPS.  Press OK to end this application.]")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("box[Halt|File Creation Error!]"))) << out.toStdString();
    EXPECT_LT(out.indexOf(QStringLiteral("box[File Creation Error")),
              out.indexOf(QStringLiteral("box[Halt")));
    EXPECT_FALSE(out.contains(QStringLiteral("continued"))) << out.toStdString();
}

} // namespace
