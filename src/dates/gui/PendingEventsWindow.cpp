#include "dates/gui/PendingEventsWindow.h"
#include "engine/gui/WindowHost.h"

#include "base/Clock.h"
#include "dates/PendingFilter.h"
#include "dates/gui/DateRows.h"
#include "dates/gui/DateWindows.h"
#include "engine/FieldText.h"
#include "engine/gui/PageView.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::dates::gui {

namespace {

QPointer<PendingEventsWindow> s_open;

enum Column { EventColumn, DateColumn, DaysColumn, AgeColumn, FirstHiddenColumn };

engine::gui::ListSetup listSetup() {
    const store::TableDef &dat = *store::Dictionary::instance().table(QStringLiteral("QKdat"));
    engine::gui::ListSetup setup;
    setup.objectName = QStringLiteral("pendingls");
    setup.title = QStringLiteral("Pending Events List");
    setup.placementKey = QStringLiteral("PendingEvents");
    setup.tableName = QStringLiteral("QKdat");
    setup.uses = store::tablesUsedBy(QStringLiteral("pending"));
    // Date, days and age describe the occurrence: computed per row.
    setup.columns = withRecurrenceColumns({{QStringLiteral("DAT:EVENT"), QStringLiteral("@s35")},
                                           {QStringLiteral("OCCURRENCE"), QStringLiteral("@s25")},
                                           {QStringLiteral("DAYS"), QStringLiteral("@n3")},
                                           {QStringLiteral("AGE"), QStringLiteral("@s25")}});
    // The event scrolls sideways over its whole width; the age shows whole.
    setup.columnFormat =
        QStringLiteral("112L(2)|M~Event~S(45)@s35@84L(2)|M~Date~@s25@24C|M~Days~@n3@56L(2)|M~Age~@s25@");
    engine::SortOrder byEvent{dat.key(QStringLiteral("EVENT_KEY"))};
    byEvent.filterSql = PendingFilter::sql();
    byEvent.filterBinder = PendingFilter::binder();
    setup.orders = {byEvent};
    setup.tabTexts = {QStringLiteral("&Event")};
    setup.thumb = engine::ThumbKind::Distributed;
    setup.changeLabel = QStringLiteral("&Change");
    setup.closeLabel = QStringLiteral("Close");
    setup.hasSelectButton = false;
    setup.form = [](QWidget *over, std::function<void()> formDone) {
        runImportantDateForm(over, [over, formDone = std::move(formDone)] {
            formDone();
            if (auto *window = qobject_cast<PendingEventsWindow *>(over))
                window->refreshReminder();
        });
    };
    return setup;
}

} // namespace

PendingEventsWindow::PendingEventsWindow(std::unique_ptr<PendingWindowClaim> claim,
                                         std::unique_ptr<store::TableUse> tables,
                                         std::unique_ptr<PendingEvents> events)
    : BrowseWindow(listSetup())
    , m_claim(std::move(claim))
    , m_tables(std::move(tables))
    , m_events(std::move(events))
    , m_columns(listSetup().columns) {
    s_open = this;
    PendingFilter::install(engine().table());

    auto *outer = static_cast<QVBoxLayout *>(layout());
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("noteText"));
    m_note->setReadOnly(true);
    m_note->setMaximumHeight(80);
    outer->insertWidget(outer->count() - 1, m_note);

    auto *reminderRow = new QHBoxLayout;
    m_switch = new QCheckBox(this);
    m_switch->setObjectName(QStringLiteral("reminderSwitch"));
    m_switch->setChecked(m_events->popupSwitch());
    m_reminder = new QLabel(m_events->reminderText(), this);
    m_reminder->setObjectName(QStringLiteral("reminderText"));
    m_reminder->setBuddy(m_switch);
    reminderRow->addWidget(m_switch);
    reminderRow->addWidget(m_reminder);
    reminderRow->addStretch();
    outer->insertLayout(outer->count() - 1, reminderRow);

    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("helpButton"));
    help->hide();

    connect(m_switch, &QCheckBox::clicked, this, [this](bool on) { m_events->setPopupChecked(on, this); });
}

PendingEventsWindow::~PendingEventsWindow() {
    if (s_open == this)
        s_open = nullptr;
}

PendingEventsWindow *PendingEventsWindow::openWindow() {
    return s_open.data();
}

void PendingEventsWindow::bringToFront() {
    engine::gui::WindowHost::bringToFront(this);
    if (!engine().formRunning()) {
        engine().forceRefresh();
        engine().refresh(tabs() ? tabs()->currentIndex() : 0);
    }
    refreshReminder();
}

void PendingEventsWindow::refreshReminder() {
    m_events->refreshReminder();
    m_reminder->setText(m_events->reminderText());
}

void PendingEventsWindow::changeEvent(QEvent *event) {
    BrowseWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshReminder();
}

void PendingEventsWindow::pageChanged() {
    BrowseWindow::pageChanged();
    const engine::BrowseList &list = engine();
    const int today = Clock::current().today();
    engine::gui::PageView *view = listControl();
    for (int r = 1; r <= list.rowCount(); ++r) {
        const PendingResult result = evaluatePending(importantDateOfRow(m_columns, list.row(r)), today);
        const auto set = [view, r](int column, const QString &text) {
            if (QTableWidgetItem *item = view->item(r - 1, column))
                item->setText(text);
        };
        set(DateColumn, result.dateText.left(kDateTextWidth).trimmed());
        set(DaysColumn, engine::showValue(QStringLiteral("@n3"), result.days));
        if (QTableWidgetItem *item = view->item(r - 1, DaysColumn))
            item->setTextAlignment(Qt::AlignCenter);
        set(AgeColumn, result.age.trimmed());
    }
    if (list.highlighted() < 1)
        m_note->clear();
    else if (!m_notePending) {
        m_notePending = true;
        QTimer::singleShot(0, this, [this] { showNote(); });
    }
    reportFailures();
}

void PendingEventsWindow::showNote() {
    m_notePending = false;
    if (engine().formRunning() || engine().highlighted() < 1)
        return;
    if (engine().fetchHighlighted())
        m_note->setPlainText(engine().table().record().memo());
    else
        m_note->clear();
}

// A record of an unknown type is never listed; the user hears of it once per
// window (the start-up check has told of it at every start already), since a
// box that takes the focus would otherwise bring the refill and the box back
// again and again.
void PendingEventsWindow::reportFailures() {
    const QStringList failures = PendingFilter::takeFailures();
    QStringList fresh;
    for (const QString &f : failures) {
        if (!m_reported.contains(f)) {
            m_reported.insert(f);
            fresh << f;
        }
    }
    if (fresh.isEmpty())
        return;
    QPointer<PendingEventsWindow> self(this);
    QTimer::singleShot(0, this, [self, fresh] {
        for (const QString &text : fresh) {
            if (!self)
                return;
            store::MessageBox box;
            box.text = text;
            box.owner = self.data();
            store::MessageService::current().show(box);
        }
    });
}

} // namespace tabulo::dates::gui
