#pragma once

#include "search/SearchEngine.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <memory>

namespace tabulo::search::gui {

// Runs the find window's searches on a thread of its own, so typing never
// waits for one. Each search supersedes the one before: the running one is
// interrupted, one still queued is skipped, and only the newest search's
// results are handed back. Destroying the runner ends the thread cleanly,
// whatever it was doing.
class SearchRunner final : public QObject {
    Q_OBJECT
public:
    explicit SearchRunner(const QString &directory, int perKind = 50, QObject *parent = nullptr);
    ~SearchRunner() override;

    // Starts a search of `text`, superseding any other.
    void search(const QString &text);
    // Supersedes the running search without starting another.
    void cancel();
    // A search was started whose results have not come back yet.
    bool running() const { return m_running; }
    // The number of the newest search; results of older ones never arrive.
    quint64 generation() const { return m_generation; }

signals:
    // The newest search's results, on the runner's own thread.
    void finished(const QString &text, const tabulo::search::SearchResults &results);

private:
    void supersede();

    QThread m_thread;
    QObject *m_worker = nullptr; // lives on m_thread
    std::unique_ptr<SearchEngine> m_engine;
    int m_perKind;
    quint64 m_generation = 0;
    // The newest generation, read by the worker to skip stale queued work.
    std::atomic<quint64> m_latest{0};
    bool m_running = false;
};

} // namespace tabulo::search::gui
