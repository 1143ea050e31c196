#include "search/gui/SearchRunner.h"

#include <QMetaObject>

namespace tabulo::search::gui {

SearchRunner::SearchRunner(const QString &directory, int perKind, QObject *parent)
    : QObject(parent)
    , m_engine(std::make_unique<SearchEngine>(directory))
    , m_perKind(perKind) {
    m_thread.setObjectName(QStringLiteral("searchThread"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.start();
}

SearchRunner::~SearchRunner() {
    supersede();
    m_thread.quit();
    m_thread.wait();
    // The worker went with the thread's end; the engine is no longer in use.
    m_engine.reset();
}

void SearchRunner::supersede() {
    ++m_generation;
    m_latest.store(m_generation);
    m_engine->interrupt();
}

void SearchRunner::cancel() {
    supersede();
    m_running = false;
}

void SearchRunner::search(const QString &text) {
    supersede();
    m_running = true;
    const quint64 generation = m_generation;
    SearchEngine *engine = m_engine.get();
    const int perKind = m_perKind;
    QMetaObject::invokeMethod(
        m_worker,
        [this, engine, generation, text, perKind] {
            // A newer search was asked for while this one waited its turn.
            if (m_latest.load() != generation)
                return;
            SearchResults results = engine->search(text, perKind);
            if (m_latest.load() != generation)
                return;
            QMetaObject::invokeMethod(
                this,
                [this, generation, text, results = std::move(results)] {
                    if (generation != m_generation)
                        return; // superseded after it ended: never shown
                    m_running = false;
                    emit finished(text, results);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace tabulo::search::gui
