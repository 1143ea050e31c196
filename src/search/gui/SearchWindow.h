#pragma once

#include "search/SearchEngine.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::search::gui {

class SearchRunner;

// "Find": one entry over the people, companies, notes, calls and phone
// numbers of the data directory. Results come as the user types, after a
// short pause, grouped by kind with each group's count, each row the
// record's title and the text it matched with the matching words in bold.
// The searches run on a thread of their own; a keystroke supersedes the
// running one. Enter or a double click opens the record where it lives.
// There is one find window; asking again brings it forward.
class SearchWindow final : public QWidget {
    Q_OBJECT
public:
    // Opens the window, or brings the open one forward with its text
    // selected.
    static SearchWindow *open();
    static SearchWindow *openWindow();
    ~SearchWindow() override;

    static constexpr int kPauseMs = 250;
    static constexpr int kPerKind = 50;

    QLineEdit *entry() const { return m_entry; }
    QTreeWidget *resultsView() const { return m_view; }
    // The height of one result row.
    int rowHeight() const;
    QLabel *statusLine() const { return m_status; }
    // The results shown, and the text they are for.
    const SearchResults &shownResults() const { return m_shown; }
    const QString &shownText() const { return m_shownText; }
    bool searching() const;

    // Searches `text` at once, as if typed and paused on.
    void searchNow(const QString &text);
    // Opens a hit where its record lives; false, with the reason in the
    // status line, when it could not be shown (deleted meanwhile, its list busy).
    bool openHit(const SearchHit &hit);
    // Opens the hit of the current row (Enter, a double click).
    bool openCurrent();
    // Builds the missing search index, then searches again.
    void buildIndex();

signals:
    // New results are shown (or the list was cleared for a blank entry).
    void resultsShown();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    SearchWindow();
    void textEdited();
    void startSearch();
    void showResults(const QString &text, const SearchResults &results);
    void showNotice(const SearchResults &results);
    void offerRepair(const SearchResults &results);
    void fitColumns();
    void fitRows();
    const SearchHit *hitOf(const QTreeWidgetItem *item) const;

    SearchRunner *m_runner = nullptr;
    QLineEdit *m_entry = nullptr;
    QWidget *m_resultsArea = nullptr; // holds the view at a whole number of rows
    QTreeWidget *m_view = nullptr;
    QLabel *m_notice = nullptr;
    QPushButton *m_buildButton = nullptr;
    QLabel *m_status = nullptr;
    QTimer *m_pause = nullptr;
    SearchResults m_shown;
    QString m_shownText;
    QStringList m_repairsOffered;
};

// Lets the frame's "Find..." open the window, and builds a missing search
// index at the frame's start.
void registerSearchWindow(host::gui::WindowOpeners &openers);

} // namespace tabulo::search::gui
