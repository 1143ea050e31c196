#include "search/gui/SearchIndexProgress.h"

#include "engine/gui/ProgressWindow.h"
#include "engine/gui/WindowHost.h"
#include "host/gui/WindowOpeners.h"
#include "store/MessageService.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace tabulo::search::gui {

namespace {
bool s_building = false;

// Lets input reach the progress window alone while the build holds a write
// transaction: a keystroke in another window could otherwise write into it,
// and a Cancel would take that write back with the build.
class InputGate final : public QObject {
public:
    explicit InputGate(QWidget *open)
        : m_open(open) {
        qApp->installEventFilter(this);
    }
    ~InputGate() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !m_open)
            return false;
        if (widget == m_open || m_open->isAncestorOf(widget))
            return false;
        if (event->type() == QEvent::Close)
            event->ignore();
        return true;
    }

private:
    QPointer<QWidget> m_open;
};
} // namespace

bool searchIndexBuilding() {
    return s_building;
}

IndexBuildOutcome buildSearchIndexShowingProgress(QObject *owner) {
    if (s_building)
        return {};
    s_building = true;
    QPointer<engine::gui::ProgressWindow> progress = new engine::gui::ProgressWindow(
        QStringLiteral("Building the search index"), QStringLiteral("searchIndexProgress"));
    bool cancelled = false;
    const QMetaObject::Connection onCancel = QObject::connect(
        progress, &engine::gui::ProgressWindow::cancelled, progress, [&cancelled] { cancelled = true; });
    // The close box cancels as Cancel does.
    const QMetaObject::Connection onClose = QObject::connect(progress, &engine::gui::ProgressWindow::closed,
                                                             progress, [&cancelled] { cancelled = true; });
    engine::gui::WindowHost::present(progress);
    IndexBuildOutcome outcome;
    {
        const InputGate gate(progress);
        QCoreApplication::processEvents();
        outcome = buildMissingSearchIndexes(store::Store::instance(), [&](const QString &file, double done) {
            if (progress) {
                progress->setPercent(static_cast<int>(std::floor(std::clamp(done, 0.0, 1.0) * 100.0)));
                if (!file.isEmpty())
                    progress->setLine(QFileInfo(file).fileName());
            }
            // The window repaints and its Cancel is heard between batches.
            QCoreApplication::processEvents();
            return !cancelled;
        });
    }
    if (progress) {
        // Closing it is no cancel any more.
        QObject::disconnect(onCancel);
        QObject::disconnect(onClose);
        progress->close();
    }
    s_building = false;

    store::MessageBox box;
    box.title = QStringLiteral("Search Index");
    box.text = outcome.text();
    box.icon = outcome.error.ok() ? store::MessageIcon::Information : store::MessageIcon::Warning;
    box.owner = owner;
    store::MessageService::current().show(box);
    return outcome;
}

void buildMissingSearchIndexAtStart(const host::gui::FrameContext &context) {
    if (tablesWithoutSearchIndex(store::Store::instance()).isEmpty())
        return;
    buildSearchIndexShowingProgress(context.frame);
}

} // namespace tabulo::search::gui
