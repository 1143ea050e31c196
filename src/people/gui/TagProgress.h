#pragma once

#include "people/TagStore.h"

#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tabulo::store {
class Cursor;
}

namespace tabulo::people::gui {

class SliceRunner;

// The window of a long tag count or clear: title "Progress...", what is
// being done ("Counting Tags", "Clearing Tags"), a progress bar, how far it
// has come, and a Cancel button where the work can be stopped. It drives the
// work itself, one slice per turn of the event loop, so every other window
// stays usable, and closes itself when the work ends.
class TagProgress final : public QWidget {
    Q_OBJECT
public:
    struct Work {
        std::function<TagStep()> slice;
        // Empty when the work cannot be stopped: the Cancel button is hidden.
        std::function<TagStep()> cancel;
        std::function<int()> percent;
        std::function<QString()> line;
    };

    TagProgress(const QString &task, Work work, std::function<void(TagStep)> done, QWidget *parent = nullptr);
    ~TagProgress() override;

    // Starts the slices; the window is presented by the caller.
    void start();
    bool running() const { return m_running; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void refresh();
    void finished(TagStep how);
    void cancel();

    Work m_work;
    std::function<void(TagStep)> m_done;
    QLabel *m_task;
    QProgressBar *m_bar;
    QLabel *m_line;
    QPushButton *m_cancel;
    SliceRunner *m_runner;
    bool m_running = false;
};

// How long one turn of the event loop may work on a tag pass: slices run
// until this much time has gone by, at least one slice per turn. Zero runs
// exactly one slice per turn.
void setSliceBudget(std::chrono::milliseconds budget);
std::chrono::milliseconds sliceBudget();

// Counts the tags of `table`. `done` gets the count (nothing when the count
// failed, its message already shown): at once when the cache knows it or
// the first slice reaches the end, otherwise when the "Counting Tags"
// window, opened over `caller`, has counted to the end. Returns that window,
// or null when none opened.
TagProgress *countTags(qint16 table, QWidget *caller, std::function<void(std::optional<qint32>)> done,
                       TagStore &tags = TagStore::instance());

// Clears every tag of `table` (inside a batch when `batch` is set). The
// quick way and short clears end at once; a clear that deletes more than a
// few groups goes on in the "Clearing Tags" window over `caller`, whose
// Cancel stops it with the remaining tags in place. `done` gets how it
// ended. Returns the window, or null when none opened.
TagProgress *clearAllTags(qint16 table, bool batch, QWidget *caller, std::function<void(TagStep)> done,
                          TagStore &tags = TagStore::instance());

// "Tag All" / "Untag All": sets or clears the tag of every record `source`
// reads, inside one batch, 10 records per slice, with the wait cursor over
// `caller` and no window. `done` gets how it ended; it is not called when
// `caller` is gone before the end.
void runTagPass(std::unique_ptr<store::Cursor> source, qint16 table, TagPass::Mode mode, QWidget *caller,
                std::function<void(TagStep)> done, TagStore &tags = TagStore::instance());

} // namespace tabulo::people::gui
