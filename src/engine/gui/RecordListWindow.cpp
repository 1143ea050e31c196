#include "engine/gui/RecordListWindow.h"

#include "engine/gui/InPlaceEditor.h"
#include "engine/gui/LocateRecord.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordEditor.h"
#include "engine/gui/WindowHost.h"
#include "store/Table.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::engine::gui {

ListSetup categoryLinksSetup(QWidget *parent, CategoryLinksSetup links) {
    ListSetup setup;
    setup.objectName = QString::fromLatin1(links.objectName);
    setup.tableName = QString::fromLatin1(links.linksTable);
    setup.uses = std::move(links.uses);
    setup.embedded = true;
    setup.embeddedIn = parent;
    setup.columns = std::move(links.columns);
    setup.columnFormat = std::move(links.columnFormat);
    setup.carriedFields = std::move(links.carriedFields);
    setup.joins = std::move(links.joins);
    const store::TableDef &def = store::tableDef(links.linksTable);
    SortOrder byName{def.key(QString::fromLatin1(links.key))};
    // The range is the category shown: exactly what a filter on the links'
    // category would select, counted over the key alone.
    byName.rangeValues = [category = std::move(links.category)] {
        return std::vector<QVariant>{QVariant(category())};
    };
    setup.orders = {byName};
    setup.thumb = ThumbKind::Fixed;
    setup.hasSelectButton = false;
    setup.countsRecords = true;
    // A category of many links is counted on the side; the page shows first.
    setup.countsInBackground = true;
    setup.visibleRows = 16;
    return setup;
}

RecordListWindow::RecordListWindow(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags) {}

QLineEdit *RecordListWindow::entry(const QString &field) const {
    return m_record->entry(field);
}

qint64 RecordListWindow::recordCount() const {
    return m_list->engine().recordCount();
}

QTabWidget *RecordListWindow::buildMainList(ListSetup setup) {
    m_mainTab = new QTabWidget(this);
    m_mainTab->setObjectName(QStringLiteral("categoryTab"));
    auto *page = new QWidget(m_mainTab);
    auto *box = new QVBoxLayout(page);
    setup.embeddedIn = page;
    m_list = new BrowseWindow(std::move(setup));
    for (auto action : {ListAction::Insert, ListAction::Change, ListAction::Delete})
        if (QPushButton *b = m_list->button(action))
            b->hide();
    box->addWidget(m_list, 1);
    auto *countRow = new QHBoxLayout;
    countRow->addStretch();
    m_count = new QLabel(page);
    m_count->setObjectName(QStringLiteral("recordCount"));
    m_count->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    countRow->addWidget(m_count);
    box->addLayout(countRow);
    m_mainTab->addTab(page, QStringLiteral("All"));
    return m_mainTab;
}

void RecordListWindow::showCount() {
    // Blank while the count is being made.
    const qint64 count = recordCount();
    m_count->setText(count >= 0 ? QString::number(count) : QString());
}

void RecordListWindow::refreshAll(bool forced) {
    if (forced)
        m_list->engine().forceRefresh();
    m_list->engine().refresh(0);
    showCount();
    highlightChanged();
}

void RecordListWindow::highlightChanged() {
    if (highlightHeld())
        return;
    m_editor->commit();
    readHighlighted();
    showHighlighted();
    refreshDetail();
    updateButtons();
}

void RecordListWindow::refreshDetail() {
    const int tab = m_details->currentIndex();
    makeDetailTab(tab);
    const auto found = m_detailLists.find(tab);
    if (found != m_detailLists.end() && *found->second)
        (*found->second)->engine().refresh(0);
}

void RecordListWindow::locateLink(store::Table &links, const std::vector<std::pair<QString, QVariant>> &values) {
    store::Record &link = links.record();
    for (const auto &[field, value] : values)
        link.setValue(field, value);
    m_list->engine().locate(BrowseList::LocateMode::NotBelow);
}

void RecordListWindow::showLocated(int detailTab) {
    showCount();
    highlightChanged();
    if (detailTab >= 0 && detailTab < m_details->count())
        m_details->setCurrentIndex(detailTab);
    m_list->listControl()->setFocus();
}

bool RecordListWindow::showNote(int tab, store::Table &notes, qint64 note, const QString &ownerField,
                                qint64 owner) {
    m_details->setCurrentIndex(tab);
    makeDetailTab(tab);
    return m_notes && locateOwnedRecord(*m_notes, notes, note, ownerField, owner);
}

void RecordListWindow::cameBack() {
    if (busyNow() || m_list->engine().formRunning() || WindowHost::isBlocked(this))
        return;
    QTimer::singleShot(0, this, [this] {
        if (!busyNow() && !m_editor->committing())
            refreshAll();
    });
}

} // namespace tabulo::engine::gui
