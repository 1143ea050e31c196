#pragma once

#include "reports/ReportKind.h"
#include "reports/ReportLayout.h"
#include "reports/ReportPage.h"
#include "store/Record.h"
#include "store/Store.h"
#include "store/View.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace tabulo::reports {

// One pass of a report over the links of the current category: opens its
// tables through the shared open counts, reads the links in the order of
// the category key in batches, lays each record out onto the pages, and
// keeps the percent done against the report's fixed estimate. Windows drive
// it from a timer; the command line drives it in a loop.
//
// The tables' record buffers are shared with the lists that are open, so
// each batch puts back what the buffers held before it.
class ReportRun final {
public:
    enum class State {
        Running,   // records remain
        Completed, // end of data (or a read error after which what was read is kept)
        Cancelled,
        Empty, // nothing matched: the report ends silently
        Failed // the view could not be opened: nothing is shown
    };
    // A standard message the run asks its window to show (35 or 36).
    struct Failure {
        int message = 0;
        QString table;
    };
    static constexpr int kRecordsPerCycle = 25;

    // The category is read from the process-wide current category or group
    // when the run starts.
    explicit ReportRun(ReportKind kind);
    ~ReportRun();
    ReportRun(const ReportRun &) = delete;
    ReportRun &operator=(const ReportRun &) = delete;

    ReportKind kind() const { return m_kind; }
    State state() const { return m_state; }
    bool running() const { return m_state == State::Running; }
    // The failure the window reports, if any; the saved store error waits
    // for its message.
    const std::optional<Failure> &failure() const { return m_failure; }

    // Opens the tables and the view, tells the driver to scan fast, and
    // reads the first record. Afterwards running() tells whether there is
    // anything to lay out.
    void start();
    // Lays out up to kRecordsPerCycle records, reading the next after each;
    // true while records remain.
    bool step();
    void cancel();
    // Ends the pass whatever its state: the driver scans normally again and
    // the tables are released. Done by the destructor too.
    void finish();

    int processed() const { return m_processed; }
    int percent() const { return m_percent; }
    // Called with each new percent as it changes.
    std::function<void(int)> onPercent;

    // The driver hints sent so far, as "QKjnc QUICKSCAN=on".
    const QStringList &hints() const { return m_hints; }

    // The pages laid out so far (the last page ends with the pass).
    ReportDocument &document();
    ReportDocument takeDocument();

private:
    void read();
    void layOut();
    bool readPhoneRow();
    void sendHints(const QString &option);
    void saveBuffers();
    void restoreBuffers();
    void keepOwnBuffers();
    void loadOwnBuffers();

    ReportKind m_kind;
    State m_state = State::Running;
    std::optional<Failure> m_failure;
    std::unique_ptr<store::TableUse> m_tables;
    std::unique_ptr<store::View> m_view;
    std::unique_ptr<store::Cursor> m_phones;
    store::Table *m_link = nullptr;
    store::Table *m_member = nullptr;
    store::Table *m_phone = nullptr;
    bool m_memberHasPhone = false;
    bool m_needLink = true;
    int m_processed = 0;
    int m_percent = 0;
    int m_percentShown = 0;
    bool m_hinted = false;
    QStringList m_hints;
    std::vector<std::pair<store::Table *, store::Record>> m_saved;
    std::vector<store::Record> m_own; // the run's current record, between batches
    std::unique_ptr<LabelPages> m_labels;
    std::unique_ptr<PhoneListPages> m_phoneList;
};

// The control number of the name category (name reports) or company
// category (company reports) called `name`, with its name as stored; 0 and
// "All" for "All" (or no name);
// nothing when there is no such category.
std::optional<std::pair<qint32, QString>> categoryByName(ReportKind kind, const QString &name);

// Runs a report over the current category to its end without a window and
// returns its pages; `failure` gets the standard message the pass ended with.
ReportDocument runReport(ReportKind kind, std::optional<ReportRun::Failure> &failure);

} // namespace tabulo::reports
