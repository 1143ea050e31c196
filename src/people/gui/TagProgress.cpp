#include "people/gui/TagProgress.h"

#include "engine/gui/WindowHost.h"
#include "store/Table.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::people::gui {

namespace {

std::chrono::milliseconds s_budget{10};

// The wait cursor over one window (over the whole program when there is
// none) while a pass runs; the rest of the frame keeps its own cursor.
class WaitCursor final {
public:
    explicit WaitCursor(QWidget *over)
        : m_over(over)
        , m_global(over == nullptr) {
        if (m_global)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            over->setCursor(Qt::WaitCursor);
    }
    ~WaitCursor() {
        if (m_global)
            QApplication::restoreOverrideCursor();
        else if (m_over)
            m_over->unsetCursor();
    }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    QPointer<QWidget> m_over;
    bool m_global;
};

} // namespace

// Runs a sliced pass from the event loop: a zero-interval timer gives each
// turn of the loop one budget of slices, so input and painting of every
// window go on in between. No nested event loop.
class SliceRunner final : public QObject {
public:
    explicit SliceRunner(std::function<TagStep()> slice, QObject *parent = nullptr)
        : QObject(parent)
        , m_slice(std::move(slice)) {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &SliceRunner::tick);
    }

    void setFinished(std::function<void(TagStep)> finished) { m_finished = std::move(finished); }

    void start() { m_timer.start(); }
    void stop() { m_timer.stop(); }
    bool active() const { return m_timer.isActive(); }

    // Ends the run from outside (a cancel): no further slice runs.
    void end(TagStep how) {
        if (!m_timer.isActive())
            return;
        m_timer.stop();
        m_finished(how);
    }

private:
    void tick() {
        QElapsedTimer clock;
        clock.start();
        TagStep s;
        do {
            s = m_slice();
        } while (s == TagStep::More && clock.elapsed() < s_budget.count());
        if (s != TagStep::More) {
            m_timer.stop();
            m_finished(s);
        }
    }

    std::function<TagStep()> m_slice;
    std::function<void(TagStep)> m_finished;
    QTimer m_timer;
};

void setSliceBudget(std::chrono::milliseconds budget) {
    s_budget = budget;
}

std::chrono::milliseconds sliceBudget() {
    return s_budget;
}

// ---------------------------------------------------------------- TagProgress

TagProgress::TagProgress(const QString &task, Work work, std::function<void(TagStep)> done, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_work(std::move(work))
    , m_done(std::move(done)) {
    setObjectName(QStringLiteral("tagProgress"));
    setWindowTitle(QStringLiteral("Progress..."));
    setAttribute(Qt::WA_DeleteOnClose);

    m_task = new QLabel(task, this);
    m_task->setObjectName(QStringLiteral("taskText"));
    m_task->setAlignment(Qt::AlignCenter);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_line = new QLabel(this);
    m_line->setObjectName(QStringLiteral("progressText"));
    m_line->setAlignment(Qt::AlignCenter);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->setVisible(static_cast<bool>(m_work.cancel));
    connect(m_cancel, &QPushButton::clicked, this, &TagProgress::cancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_task);
    layout->addWidget(m_bar);
    layout->addWidget(m_line);
    layout->addLayout(buttons);
    // A progress window has nothing to gain from more room: one size.
    m_bar->setMinimumWidth(260);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_runner = new SliceRunner(
        [this] {
            const TagStep s = m_work.slice();
            if (s == TagStep::More)
                refresh();
            return s;
        },
        this);
    m_runner->setFinished([this](TagStep how) { finished(how); });
    refresh();
}

TagProgress::~TagProgress() {
    // Torn down with its caller while still running: the work stops there.
    if (m_running) {
        m_running = false;
        m_runner->stop();
        if (m_work.cancel)
            m_work.cancel();
    }
}

void TagProgress::start() {
    m_running = true;
    m_runner->start();
}

void TagProgress::refresh() {
    const int percent = m_work.percent ? m_work.percent() : 0;
    if (m_bar->value() != percent)
        m_bar->setValue(percent);
    const QString line = m_work.line ? m_work.line() : QString();
    if (m_line->text() != line)
        m_line->setText(line);
}

void TagProgress::cancel() {
    if (!m_running || !m_work.cancel)
        return;
    m_runner->end(m_work.cancel());
}

void TagProgress::finished(TagStep how) {
    m_running = false;
    refresh();
    // The caller is usable again before its continuation runs.
    engine::gui::WindowHost::release(this);
    close();
    if (auto done = std::move(m_done))
        done(how);
}

void TagProgress::closeEvent(QCloseEvent *event) {
    if (m_running) {
        // Closing the window is its Cancel; a count cannot be stopped.
        event->ignore();
        cancel();
        return;
    }
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- entry points

TagProgress *countTags(qint16 table, QWidget *caller, std::function<void(std::optional<qint32>)> done,
                       TagStore &tags) {
    auto counter = std::make_shared<TagCounter>(tags, table);
    const TagStep first = counter->start();
    if (first != TagStep::More) {
        if (done)
            done(first == TagStep::Done ? std::optional<qint32>(counter->count()) : std::nullopt);
        return nullptr;
    }
    auto cursor = std::make_shared<WaitCursor>(caller);
    TagProgress::Work work;
    work.slice = [counter] { return counter->step(); };
    work.percent = [counter] { return counter->percent(); };
    work.line = [counter] { return QString::number(counter->count()); };
    auto *window = new TagProgress(
        QStringLiteral("Counting Tags"), std::move(work),
        [counter, cursor, done = std::move(done)](TagStep how) mutable {
            cursor.reset();
            if (done)
                done(how == TagStep::Done ? std::optional<qint32>(counter->count()) : std::nullopt);
        },
        nullptr);
    engine::gui::WindowHost::present(window, caller);
    window->start();
    return window;
}

TagProgress *clearAllTags(qint16 table, bool batch, QWidget *caller, std::function<void(TagStep)> done,
                          TagStore &tags) {
    auto clearer = std::make_shared<TagClearer>(tags, table, batch);
    TagStep s = clearer->start();
    std::shared_ptr<WaitCursor> cursor;
    if (s == TagStep::More)
        cursor = std::make_shared<WaitCursor>(caller);
    // A short clear ends here, without a window.
    while (s == TagStep::More && clearer->deleted() <= TagClearer::QuietDeletions)
        s = clearer->step();
    if (s != TagStep::More) {
        cursor.reset();
        if (done)
            done(s);
        return nullptr;
    }
    TagProgress::Work work;
    work.slice = [clearer] { return clearer->step(); };
    work.cancel = [clearer] { return clearer->cancel(); };
    work.percent = [clearer] { return clearer->percent(); };
    work.line = [clearer] { return QString::number(clearer->percent()) + QLatin1Char('%'); };
    auto *window = new TagProgress(
        QStringLiteral("Clearing Tags"), std::move(work),
        [clearer, cursor, done = std::move(done)](TagStep how) mutable {
            cursor.reset();
            if (done)
                done(how);
        },
        nullptr);
    engine::gui::WindowHost::present(window, caller);
    window->start();
    return window;
}

void runTagPass(std::unique_ptr<store::Cursor> source, qint16 table, TagPass::Mode mode, QWidget *caller,
                std::function<void(TagStep)> done, TagStore &tags) {
    struct Run {
        TagStore *tags;
        std::unique_ptr<store::Cursor> source;
        std::unique_ptr<TagPass> pass;
        std::unique_ptr<WaitCursor> cursor;
        QPointer<QWidget> caller;
        bool hadCaller;
    };
    auto run = std::make_shared<Run>();
    run->tags = &tags;
    run->source = std::move(source);
    run->caller = caller;
    run->hadCaller = caller != nullptr;
    run->cursor = std::make_unique<WaitCursor>(caller);
    tags.beginBatch();
    run->pass = std::make_unique<TagPass>(tags, table, *run->source, mode);

    // Not a child of the caller: the caller may be closed by `done` itself.
    auto *runner = new SliceRunner([run] {
        if (run->hadCaller && !run->caller)
            return TagStep::Cancelled;
        return run->pass->step(10);
    });
    runner->setFinished([run, runner, done = std::move(done)](TagStep how) {
        run->pass.reset();
        if (run->tags->endBatch() && how == TagStep::Done)
            how = TagStep::Failed;
        run->source.reset();
        run->cursor.reset();
        runner->deleteLater();
        if (done && !(run->hadCaller && !run->caller))
            done(how);
    });
    runner->start();
}

} // namespace tabulo::people::gui
