#include "dates/gui/ImportantDatesWindow.h"

#include "base/Clock.h"
#include "dates/gui/DateRows.h"
#include "dates/gui/DateWindows.h"
#include "engine/FieldText.h"
#include "engine/gui/PageView.h"
#include "store/Dictionary.h"

#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::dates::gui {

namespace {

constexpr int kDateColumnWidth = 8;

engine::SortOrder byType(const store::KeyDef *key, const QString &type) {
    engine::SortOrder order{key};
    // The type leads these keys: fixing it lists one kind, and the locator
    // then works on the event that follows it.
    order.rangeValues = [type] { return std::vector<QVariant>{type}; };
    return order;
}

engine::gui::ListSetup listSetup() {
    const store::TableDef &dat = *store::Dictionary::instance().table(QStringLiteral("QKdat"));
    engine::gui::ListSetup setup;
    setup.objectName = QStringLiteral("datls");
    setup.title = QStringLiteral("Important Dates ");
    setup.placementKey = QStringLiteral("datls");
    setup.tableName = QStringLiteral("QKdat");
    setup.uses = store::tablesUsedBy(QStringLiteral("dates"));
    // The Date column's value is computed per row (see pageChanged).
    setup.columns = withRecurrenceColumns({{QStringLiteral("SHORTDATE"), QStringLiteral("@s8")},
                                           {QStringLiteral("DAT:EVENT"), QStringLiteral("@s35")}});
    setup.columnFormat = QStringLiteral("42L(2)|M~Date~@s8@112L(2)|M~Event~S(45)@s35@");
    setup.orders = {engine::SortOrder{dat.key(QStringLiteral("EVENT_KEY"))},
                    engine::SortOrder{dat.key(QStringLiteral("DATE_KEY"))},
                    byType(dat.key(QStringLiteral("YEARDATE_KEY")), QStringLiteral("Year")),
                    byType(dat.key(QStringLiteral("MONTHDATE_KEY")), QStringLiteral("Month")),
                    byType(dat.key(QStringLiteral("WEEKDATE_KEY")), QStringLiteral("Week"))};
    setup.tabTexts = {QStringLiteral("All by &Event"), QStringLiteral("All by &Date"),
                      QStringLiteral("&Year by Event"), QStringLiteral("&Month by Event"),
                      QStringLiteral("&Week by Event")};
    setup.thumb = engine::ThumbKind::Distributed;
    setup.changeLabel = QStringLiteral("&Change");
    setup.closeLabel = QStringLiteral("Close");
    setup.form = [](QWidget *over, std::function<void()> formDone) {
        runImportantDateForm(over, std::move(formDone));
    };
    return setup;
}

QLabel *detail(QWidget *parent, const char *name) {
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

ImportantDatesWindow::ImportantDatesWindow(QWidget *caller, std::function<void()> done)
    : BrowseWindow(listSetup(), caller, std::move(done))
    , m_columns(listSetup().columns) {

    auto *details = new QFormLayout;
    m_howLongAgo = detail(this, "howLongAgoText");
    m_leadDays = detail(this, "leadDaysText");
    m_date = detail(this, "dateText");
    m_type = detail(this, "typeText");
    details->addRow(QStringLiteral("How Long Ago:"), m_howLongAgo);
    details->addRow(QStringLiteral("Lead Days:"), m_leadDays);
    details->addRow(QStringLiteral("Date"), m_date);
    details->addRow(QStringLiteral("Type:"), m_type);
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(QStringLiteral("noteText"));
    m_note->setReadOnly(true);
    m_note->setMaximumHeight(80);
    details->addRow(m_note);
    // Under the list, above the buttons.
    auto *outer = static_cast<QVBoxLayout *>(layout());
    outer->insertLayout(outer->count() - 1, details);

    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("helpButton"));
    help->hide();
}

void ImportantDatesWindow::pageChanged() {
    BrowseWindow::pageChanged();
    const engine::BrowseList &list = engine();
    const int today = Clock::current().today();
    engine::gui::PageView *view = listControl();
    DatesListTexts highlighted;
    ImportantDate highlightedDate;
    for (int r = 1; r <= list.rowCount(); ++r) {
        const ImportantDate date = importantDateOfRow(m_columns, list.row(r));
        const DatesListTexts texts = datesListTexts(date, today);
        if (QTableWidgetItem *item = view->item(r - 1, 0))
            item->setText(texts.shortDate.left(kDateColumnWidth).trimmed());
        if (r == list.highlighted()) {
            highlighted = texts;
            highlightedDate = date;
        }
    }
    if (list.highlighted() < 1) {
        m_howLongAgo->clear();
        m_leadDays->clear();
        m_date->clear();
        m_type->clear();
        m_note->clear();
        return;
    }
    m_howLongAgo->setText(highlighted.howLongAgo.trimmed());
    m_leadDays->setText(engine::showValue(QStringLiteral("@n2"), highlightedDate.leadDays));
    m_date->setText(highlighted.shortDate.trimmed());
    m_type->setText(highlightedDate.type.left(7));
    // The note is not part of the row: it is read with the whole record once
    // the list has finished with the page.
    if (!m_notePending) {
        m_notePending = true;
        QTimer::singleShot(0, this, [this] { showNote(); });
    }
}

void ImportantDatesWindow::showNote() {
    m_notePending = false;
    if (engine().formRunning() || engine().highlighted() < 1)
        return;
    if (engine().fetchHighlighted())
        m_note->setPlainText(engine().table().record().memo());
    else
        m_note->clear();
}

} // namespace tabulo::dates::gui
