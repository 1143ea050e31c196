#include "search/gui/SearchWindow.h"

#include "engine/Globals.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/WindowOpeners.h"
#include "search/SearchIndexBuild.h"
#include "search/gui/MatchDelegate.h"
#include "search/gui/SearchIndexProgress.h"
#include "search/gui/SearchRunner.h"
#include "store/Store.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace tabulo::search::gui {

namespace {
QPointer<SearchWindow> s_open;

// Which hit of the results a row shows (absent on a group's heading).
constexpr int HitRole = Qt::UserRole + 1;

// The detail tabs the lists show a record's notes on.
constexpr int kAddressTab = 0;
constexpr int kNotesTab = 2;

QString groupHeading(const SearchResults &results, HitKind kind) {
    const bool more = results.more[static_cast<size_t>(kind)];
    return QStringLiteral("%1 (%2%3)")
        .arg(hitKindTitle(kind))
        .arg(results.count(kind))
        .arg(more ? QStringLiteral("+") : QString());
}

QVariantList marksData(const std::vector<std::pair<int, int>> &marks) {
    QVariantList out;
    for (const auto &[start, length] : marks)
        out << QPoint(start, length);
    return out;
}

QString countText(const SearchResults &results) {
    const qsizetype found = static_cast<qsizetype>(results.hits.size());
    if (found == 0)
        return QStringLiteral("No matches");
    const bool more = std::any_of(results.more.cbegin(), results.more.cend(), [](bool m) { return m; });
    if (more)
        return QStringLiteral("%1+ matches").arg(found);
    return found == 1 ? QStringLiteral("1 match") : QStringLiteral("%1 matches").arg(found);
}

bool openPerson(qint64 person, int tab, qint64 note) {
    return host::gui::featureWindows().showPerson(person, tab, note);
}

bool openCompany(qint64 company, int tab, qint64 note) {
    return host::gui::featureWindows().showCompany(company, tab, note);
}
} // namespace

SearchWindow *SearchWindow::open() {
    if (s_open) {
        engine::gui::WindowHost::bringToFront(s_open);
        s_open->m_entry->selectAll();
        s_open->m_entry->setFocus();
        return s_open;
    }
    auto *window = new SearchWindow;
    s_open = window;
    engine::gui::WindowHost::present(window);
    window->m_entry->setFocus();
    return window;
}

SearchWindow *SearchWindow::openWindow() {
    return s_open.data();
}

SearchWindow::SearchWindow()
    : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("findWindow"));
    setWindowTitle(QStringLiteral("Find"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_runner = new SearchRunner(store::Store::instance().directory(), kPerKind, this);
    connect(m_runner, &SearchRunner::finished, this, &SearchWindow::showResults);
    m_pause = new QTimer(this);
    m_pause->setObjectName(QStringLiteral("pauseTimer"));
    m_pause->setSingleShot(true);
    m_pause->setInterval(kPauseMs);
    connect(m_pause, &QTimer::timeout, this, &SearchWindow::startSearch);

    auto *outer = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *prompt = new QLabel(QStringLiteral("Fi&nd:"), this);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("findEntry"));
    m_entry->setPlaceholderText(QStringLiteral("Names, companies, notes, phone numbers, calls"));
    m_entry->setClearButtonEnabled(true);
    m_entry->installEventFilter(this);
    prompt->setBuddy(m_entry);
    top->addWidget(prompt);
    top->addWidget(m_entry, 1);
    outer->addLayout(top);

    // The view gets the height of the whole rows that fit; what is left
    // over stays blank below it.
    m_resultsArea = new QWidget(this);
    m_resultsArea->setObjectName(QStringLiteral("findResultsArea"));
    m_resultsArea->installEventFilter(this);
    m_view = new QTreeWidget(m_resultsArea);
    m_view->setObjectName(QStringLiteral("findResults"));
    m_view->setColumnCount(2);
    m_view->setHeaderHidden(true);
    m_view->header()->setStretchLastSection(true);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true);
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideRight);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setItemDelegate(new MatchDelegate(m_view));
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // long texts are elided
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(m_view, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
        if (hitOf(item))
            openCurrent();
    });
    m_resultsArea->setMinimumHeight(2 * m_view->frameWidth() + 6 * rowHeight());
    outer->addWidget(m_resultsArea, 1);

    auto *noticeRow = new QHBoxLayout;
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("findNotice"));
    m_notice->setWordWrap(true);
    m_buildButton = new QPushButton(QStringLiteral("&Build Index"), this);
    m_buildButton->setObjectName(QStringLiteral("buildIndexButton"));
    m_buildButton->setAutoDefault(false);
    m_buildButton->setToolTip(QStringLiteral("Build the search index of the files that lack it"));
    connect(m_buildButton, &QPushButton::clicked, this, &SearchWindow::buildIndex);
    noticeRow->addWidget(m_notice, 1);
    noticeRow->addWidget(m_buildButton);
    outer->addLayout(noticeRow);
    m_notice->hide();
    m_buildButton->hide();

    auto *bottom = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("findStatus"));
    bottom->addWidget(m_status, 1);
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(close);
    outer->addLayout(bottom);

    connect(m_entry, &QLineEdit::textChanged, this, &SearchWindow::textEdited);
    connect(m_entry, &QLineEdit::returnPressed, this, &SearchWindow::openCurrent);

    resize(640, 420);
    engine::gui::WindowPlacement::attach(this, QStringLiteral("find"));
}

SearchWindow::~SearchWindow() {
    // The thread ends before anything it reports to goes.
    delete m_runner;
    m_runner = nullptr;
}

bool SearchWindow::searching() const {
    return m_pause->isActive() || m_runner->running();
}

void SearchWindow::textEdited() {
    // A keystroke supersedes the search under way at once; the next one
    // starts when the typing pauses.
    m_runner->cancel();
    if (m_entry->text().trimmed().isEmpty()) {
        m_pause->stop();
        showResults(m_entry->text(), SearchResults{});
        m_status->clear();
        return;
    }
    m_status->setText(QStringLiteral("Searching..."));
    m_pause->start();
}

void SearchWindow::startSearch() {
    m_pause->stop();
    m_status->setText(QStringLiteral("Searching..."));
    m_runner->search(m_entry->text());
}

void SearchWindow::searchNow(const QString &text) {
    const QSignalBlocker blocker(m_entry);
    m_entry->setText(text);
    if (text.trimmed().isEmpty()) {
        m_runner->cancel();
        m_pause->stop();
        showResults(text, SearchResults{});
        m_status->clear();
        return;
    }
    startSearch();
}

void SearchWindow::showResults(const QString &text, const SearchResults &results) {
    if (results.interrupted)
        return; // a newer search is on its way
    m_shown = results;
    m_shownText = text;
    m_view->clear();
    QTreeWidgetItem *first = nullptr;
    for (int k = 0; k < kHitKinds; ++k) {
        const auto kind = static_cast<HitKind>(k);
        if (results.count(kind) == 0)
            continue;
        auto *group = new QTreeWidgetItem(m_view);
        group->setText(0, groupHeading(results, kind));
        group->setFlags(Qt::ItemIsEnabled);
        QFont bold = m_view->font();
        bold.setBold(true);
        group->setFont(0, bold);
        group->setFirstColumnSpanned(true);
        for (size_t i = 0; i < results.hits.size(); ++i) {
            const SearchHit &hit = results.hits[i];
            if (hit.kind != kind)
                continue;
            auto *row = new QTreeWidgetItem(group);
            row->setData(0, HitRole, static_cast<int>(i));
            row->setText(0, hit.title);
            row->setToolTip(0, hit.title);
            row->setText(1, hit.matched);
            row->setToolTip(1, hit.matched);
            row->setData(0, MatchDelegate::MarksRole, marksData(hit.titleMarks));
            row->setData(1, MatchDelegate::MarksRole, marksData(hit.marks));
            if (!first)
                first = row;
        }
        group->setExpanded(true);
    }
    if (first)
        m_view->setCurrentItem(first);
    fitRows();
    m_status->setText(text.trimmed().isEmpty() ? QString() : countText(results));
    showNotice(results);
    emit resultsShown();
    if (results.damaged)
        QTimer::singleShot(0, this, [this, results] { offerRepair(results); });
}

void SearchWindow::showNotice(const SearchResults &results) {
    QString notice;
    if (!results.missingIndex.isEmpty()) {
        QStringList files;
        for (const QString &file : results.missingIndex)
            files << QFileInfo(file).fileName();
        notice = QStringLiteral("The search index of %1 is missing: %2 not searched.")
                     .arg(files.join(QStringLiteral(", ")), files.size() == 1
                                                                ? QStringLiteral("its records are")
                                                                : QStringLiteral("their records are"));
    } else if (!results.failures.isEmpty() && !results.damaged) {
        notice = QStringLiteral("Not everything could be searched: %1")
                     .arg(results.failures.join(QStringLiteral("; ")));
    }
    m_notice->setText(notice);
    m_notice->setVisible(!notice.isEmpty());
    m_buildButton->setVisible(!results.missingIndex.isEmpty());
}

void SearchWindow::offerRepair(const SearchResults &results) {
    const QString damaged = QFileInfo(results.damagedFile).fileName();
    if (damaged.isEmpty() || m_repairsOffered.contains(damaged, Qt::CaseInsensitive))
        return;
    // Once per file: a repair that did not cure it is not offered again.
    m_repairsOffered << damaged;
    for (const QString &name : searchedTables()) {
        store::Table &table = store::Store::instance().table(name);
        if (table.fileName().compare(damaged, Qt::CaseInsensitive) != 0 &&
            name.compare(damaged, Qt::CaseInsensitive) != 0)
            continue;
        // Held while the repair runs, as by any window that met the damage.
        const store::TableUse use(QStringList{name});
        store::offerRepair(table, this);
        break;
    }
    if (!m_entry->text().trimmed().isEmpty())
        startSearch();
}

void SearchWindow::buildIndex() {
    m_runner->cancel();
    buildSearchIndexShowingProgress(this);
    if (!m_entry->text().trimmed().isEmpty())
        startSearch();
}

const SearchHit *SearchWindow::hitOf(const QTreeWidgetItem *item) const {
    if (!item)
        return nullptr;
    const QVariant index = item->data(0, HitRole);
    if (!index.isValid())
        return nullptr;
    const int i = index.toInt();
    if (i < 0 || i >= static_cast<int>(m_shown.hits.size()))
        return nullptr;
    return &m_shown.hits[static_cast<size_t>(i)];
}

bool SearchWindow::openCurrent() {
    const SearchHit *hit = hitOf(m_view->currentItem());
    if (!hit && !m_shown.hits.empty())
        hit = &m_shown.hits.front();
    if (!hit)
        return false;
    // A copy: opening a window may bring new results.
    return openHit(SearchHit(*hit));
}

bool SearchWindow::openHit(const SearchHit &hit) {
    bool found = false;
    switch (hit.kind) {
    case HitKind::Person:
        found = openPerson(hit.ctrl, kAddressTab, 0);
        break;
    case HitKind::Company:
        found = openCompany(hit.ctrl, kAddressTab, 0);
        break;
    case HitKind::Note:
        found = hit.ownerKind == HitKind::Company ? openCompany(hit.ownerCtrl, kNotesTab, hit.ctrl)
                                                  : openPerson(hit.ownerCtrl, kNotesTab, hit.ctrl);
        break;
    case HitKind::Call: {
        const store::TableUse use(QStringList{QStringLiteral("QKinc")});
        store::Table &inc = use[QStringLiteral("QKinc")];
        const store::TableDef &def = inc.def();
        inc.record().clear();
        inc.record().setInteger(def.fieldIndex(QStringLiteral("CTRL_NBR")), hit.ctrl);
        found = inc.fetch(*def.key(QStringLiteral("CTRL_KEY"))).ok();
        if (!found)
            break;
        inc.watch();
        engine::setGlobalRequest(engine::Request::ChangeRecord);
        // The form waits over this window; what it changed is searched again.
        QPointer<SearchWindow> self(this);
        host::gui::featureWindows().runCallForm(this, [self] {
            if (self && !self->m_entry->text().trimmed().isEmpty())
                self->startSearch();
        });
        break;
    }
    case HitKind::JustPhone: {
        found = host::gui::featureWindows().showJustPhone(hit.ctrl);
        break;
    }
    }
    if (!found)
        m_status->setText(QStringLiteral("The record could not be shown; it may have been deleted."));
    return found;
}

void SearchWindow::fitColumns() {
    // The titles take what they need, up to two fifths of the width; the
    // matched text the rest.
    const int room = m_view->viewport()->width();
    int wanted = 0;
    const QFontMetrics metrics(m_view->font());
    for (int g = 0; g < m_view->topLevelItemCount(); ++g) {
        const QTreeWidgetItem *group = m_view->topLevelItem(g);
        for (int r = 0; r < group->childCount(); ++r)
            wanted = std::max(wanted, metrics.horizontalAdvance(group->child(r)->text(0)));
    }
    wanted += 4 * m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 12;
    m_view->setColumnWidth(0, std::clamp(wanted, room / 4, std::max(room / 4, room * 2 / 5)));
}

int SearchWindow::rowHeight() const {
    if (m_view->topLevelItemCount() > 0) {
        const int shown = m_view->visualItemRect(m_view->topLevelItem(0)).height();
        if (shown > 0)
            return shown;
    }
    QStyleOptionViewItem option;
    option.initFrom(m_view);
    option.font = m_view->font();
    return std::max(1, m_view->itemDelegate()->sizeHint(option, QModelIndex()).height());
}

void SearchWindow::fitRows() {
    const int frame = 2 * m_view->frameWidth();
    const int row = rowHeight();
    const int room = m_resultsArea->height();
    const int rows = std::max(1, (room - frame) / row);
    m_view->setGeometry(0, 0, m_resultsArea->width(), std::min(room, frame + rows * row));
    fitColumns();
}

bool SearchWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_resultsArea && event->type() == QEvent::Resize)
        fitRows();
    if (watched == m_entry && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Down && m_view->topLevelItemCount() > 0) {
            if (!hitOf(m_view->currentItem()) && !m_shown.hits.empty())
                m_view->setCurrentItem(m_view->topLevelItem(0)->child(0));
            m_view->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    fitColumns();
}

void SearchWindow::closeEvent(QCloseEvent *event) {
    m_pause->stop();
    m_runner->cancel();
    QWidget::closeEvent(event);
}

void registerSearchWindow(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::Find, [](const host::gui::FrameContext &) { SearchWindow::open(); });
    openers.addStartTask(buildMissingSearchIndexAtStart);
}

} // namespace tabulo::search::gui
