#include "dates/gui/ImportantDateForm.h"

#include "base/Clock.h"
#include "base/DateOps.h"
#include "dates/PendingEvents.h"
#include "engine/FieldText.h"
#include "engine/gui/CalendarPicker.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "host/StoreSetupSource.h"
#include "store/Dictionary.h"
#include "store/Messages.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::dates::gui {

namespace {

const QString kDatePicture = QStringLiteral("@d2");
constexpr int kNoteWidth = 2000;
const QStringList kTypes{QStringLiteral("Year"), QStringLiteral("Month"), QStringLiteral("Week"),
                         QStringLiteral("Days")};

// A spin box that lets the user type past the field's bounds, so that the
// form's own range check, not the widget, tells what the bounds are.
QSpinBox *numberSpin(QWidget *parent, const char *name, int widest) {
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0, widest);
    spin->setKeyboardTracking(false);
    return spin;
}

// A prompt and its controls on one line, shown and hidden together.
QWidget *row(QWidget *parent, const char *name, std::initializer_list<QWidget *> widgets) {
    auto *w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    auto *layout = new QHBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *child : widgets) {
        child->setParent(w);
        layout->addWidget(child);
    }
    layout->addStretch();
    return w;
}

engine::FormSetup formSetup() {
    const store::TableDef &dat = *store::Dictionary::instance().table(QStringLiteral("QKdat"));
    engine::FormSetup setup;
    setup.formKey = QStringLiteral("datup");
    // A quick form for its title only: no field history, a fixed size, and
    // another station's change reported with the short message.
    setup.variant = engine::FormVariant::B;
    setup.fieldHistory = false;
    setup.longConflictMessage = false;
    setup.addedMessage = QStringLiteral("Adding an Important Date Record");
    setup.changedMessage = QStringLiteral("Changing an Important Datet Record");
    setup.duplicateKeys = {dat.key(QStringLiteral("CTRL_KEY"))};
    setup.prime = [](store::Record &r) {
        store::Table &set = store::Store::instance().table(QStringLiteral("QKset"));
        // A missing setup record leaves no default lead days.
        if (host::readSetupRecord(set))
            set.record().clear();
        r.setValue(QStringLiteral("DAT:LEADDAYS"), set.record().value(QStringLiteral("SET:ANNLEAD")));
        r.setValue(QStringLiteral("DAT:TYPE"), QStringLiteral("Year"));
    };
    return setup;
}

} // namespace

ImportantDateForm *ImportantDateForm::run(QWidget *caller, std::function<void()> done) {
    auto *form = new ImportantDateForm(caller, std::move(done));
    if (form->m_engine->open() == engine::UpdateForm::Start::Ended) {
        form->end();
        form->deleteLater();
        return nullptr;
    }
    // The quick form says what it does in its title.
    form->setWindowTitle(form->m_engine->actionMessage());
    const QString iniFile = QDir(store::Store::instance().directory()).filePath(QStringLiteral("QK.INI"));
    engine::gui::WindowPlacement::attach(form, QStringLiteral("datup"), iniFile);
    form->setFixedSize(form->size());
    form->redisplay();
    engine::gui::WindowHost::present(form, caller);
    form->focusFirstField();
    return form;
}

ImportantDateForm::ImportantDateForm(QWidget *caller, std::function<void()> done)
    : QWidget(caller, Qt::Window | Qt::Dialog)
    , m_use(store::tablesUsedBy(QStringLiteral("dateform")))
    , m_done(std::move(done)) {
    setObjectName(QStringLiteral("datup"));
    setAccessibleName(QStringLiteral("Important Dates Database Update Form"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_engine = std::make_unique<engine::UpdateForm>(store::Store::instance().table(QStringLiteral("QKdat")),
                                                    formSetup(), *this);
    build();
    for (QLineEdit *entry : findChildren<QLineEdit *>())
        entry->installEventFilter(this);
}

store::Record &ImportantDateForm::record() const {
    return m_engine->table().record();
}

void ImportantDateForm::build() {
    auto *outer = new QVBoxLayout(this);
    auto *sheet = new QTabWidget(this);
    sheet->setObjectName(QStringLiteral("sheet"));

    auto *general = new QWidget(sheet);
    general->setObjectName(QStringLiteral("generalTab"));
    auto *form = new QFormLayout(general);

    auto *typeRow = new QWidget(general);
    auto *typeLayout = new QHBoxLayout(typeRow);
    typeLayout->setContentsMargins(0, 0, 0, 0);
    m_type = new QButtonGroup(this);
    for (int i = 0; i < kTypes.size(); ++i) {
        auto *b = new QRadioButton(kTypes.at(i), typeRow);
        b->setObjectName(QStringLiteral("type%1").arg(kTypes.at(i)));
        m_type->addButton(b, i);
        typeLayout->addWidget(b);
    }
    typeLayout->addStretch();
    form->addRow(QStringLiteral("Type:"), typeRow);

    m_event = new QLineEdit(general);
    m_event->setObjectName(QStringLiteral("eventEntry"));
    // Shown 35 characters wide, but the whole stored event is kept: a longer
    // event must not lose its end because another field was changed.
    m_event->setMaxLength(kEventWidth);
    m_event->setMinimumWidth(m_event->fontMetrics().averageCharWidth() * 35);
    form->addRow(QStringLiteral("Event:"), m_event);

    m_leadDays = numberSpin(general, "leadDaysSpin", 255);
    m_leadDays->setToolTip(QStringLiteral("Number of lead days for pop-up announce"));
    form->addRow(QStringLiteral("Lead Days:"), m_leadDays);

    m_beginning = new QLabel(QStringLiteral("Beginning"));
    m_beginning->setObjectName(QStringLiteral("beginningPrompt"));
    m_datePrompt = new QLabel(QStringLiteral("Date:"));
    m_datePrompt->setObjectName(QStringLiteral("datePrompt"));
    m_date = new QLineEdit;
    m_date->setObjectName(QStringLiteral("dateEntry"));
    m_date->setMaxLength(10);
    m_datePrompt->setBuddy(m_date);
    m_calendar = new QPushButton(QStringLiteral("..."));
    m_calendar->setObjectName(QStringLiteral("calendarButton"));
    m_calendar->setAutoDefault(false);
    m_dateRow = row(general, "dateRow", {m_beginning, m_datePrompt, m_date, m_calendar});
    form->addRow(m_dateRow);

    m_dayDatePrompt = new QLabel(QStringLiteral("Day Date:"));
    m_dayDatePrompt->setObjectName(QStringLiteral("dayDatePrompt"));
    m_dayDate = numberSpin(nullptr, "dayDateSpin", 99);
    m_dayDatePrompt->setBuddy(m_dayDate);
    m_dayDateRow = row(general, "dayDateRow", {m_dayDatePrompt, m_dayDate});
    form->addRow(m_dayDateRow);

    m_floatingHoliday = new QCheckBox(QStringLiteral("Floating Holiday"), general);
    m_floatingHoliday->setObjectName(QStringLiteral("floatingHolidayCheck"));
    m_floatingHoliday->setToolTip(QStringLiteral("Yearly, month, floating date"));
    form->addRow(m_floatingHoliday);
    m_lastDayName = new QCheckBox(QStringLiteral("Last Day Name"), general);
    m_lastDayName->setObjectName(QStringLiteral("lastDayNameCheck"));
    form->addRow(m_lastDayName);
    m_lastDay = new QCheckBox(QStringLiteral("Last Day of Month"), general);
    m_lastDay->setObjectName(QStringLiteral("lastDayCheck"));
    form->addRow(m_lastDay);

    auto *weekPrompt = new QLabel(QStringLiteral("Week:"));
    std::vector<QRadioButton *> weeks;
    m_week = new QButtonGroup(this);
    for (int w = 1; w <= 5; ++w) {
        auto *b = new QRadioButton(weekOrdinal(w));
        b->setObjectName(QStringLiteral("week%1").arg(w));
        m_week->addButton(b, w);
        weeks.push_back(b);
    }
    m_weekRow = row(general, "weekRow", {weekPrompt, weeks[0], weeks[1], weeks[2], weeks[3], weeks[4]});
    form->addRow(m_weekRow);

    auto *weekDayPrompt = new QLabel(QStringLiteral("Week Day:"));
    m_weekDay = new QComboBox;
    m_weekDay->setObjectName(QStringLiteral("weekDayList"));
    m_weekDay->addItems(weekdayChoices());
    weekDayPrompt->setBuddy(m_weekDay);
    m_weekDayRow = row(general, "weekDayRow", {weekDayPrompt, m_weekDay});
    form->addRow(m_weekDayRow);

    auto *monthPrompt = new QLabel(QStringLiteral("Month:"));
    m_month = new QComboBox;
    m_month->setObjectName(QStringLiteral("monthList"));
    m_month->addItems(monthChoices());
    monthPrompt->setBuddy(m_month);
    m_monthRow = row(general, "monthRow", {monthPrompt, m_month});
    form->addRow(m_monthRow);

    auto *numberPrompt = new QLabel(QStringLiteral("Number Of Days:"));
    m_numberOfDays = numberSpin(nullptr, "numberOfDaysSpin", 999);
    numberPrompt->setBuddy(m_numberOfDays);
    m_numberOfDaysRow = row(general, "numberOfDaysRow", {numberPrompt, m_numberOfDays});
    form->addRow(m_numberOfDaysRow);

    sheet->addTab(general, QStringLiteral("General"));
    auto *noteTab = new QWidget(sheet);
    auto *noteLayout = new QVBoxLayout(noteTab);
    m_note = new QPlainTextEdit(noteTab);
    m_note->setObjectName(QStringLiteral("noteText"));
    noteLayout->addWidget(m_note);
    sheet->addTab(noteTab, QStringLiteral("&Note"));
    outer->addWidget(sheet);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("helpButton"));
    help->hide();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    outer->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, [this] { m_engine->ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_engine->cancel(); });
    connect(m_type, &QButtonGroup::idClicked, this, [this](int id) { typeChosen(kTypes.value(id)); });
    connect(m_event, &QLineEdit::editingFinished, this,
            [this] { record().setValue(QStringLiteral("DAT:EVENT"), m_event->text()); });
    connect(m_leadDays, &QSpinBox::editingFinished, this,
            [this] { acceptRanged(RangedField::LeadDays, m_leadDays, "DAT:LEADDAYS"); });
    connect(m_dayDate, &QSpinBox::editingFinished, this, [this] {
        if (acceptRanged(RangedField::DayDate, m_dayDate, "DAT:DAYDATE"))
            applyEnabling();
    });
    connect(m_numberOfDays, &QSpinBox::editingFinished, this,
            [this] { acceptRanged(RangedField::NumberOfDays, m_numberOfDays, "DAT:NUMBEROFDAYS"); });
    connect(m_date, &QLineEdit::editingFinished, this, [this] {
        // Only a record without a date can become a floating holiday.
        if (acceptDate())
            m_floatingHoliday->setEnabled(record().value(QStringLiteral("DAT:DATE")).toLongLong() < 1);
    });
    connect(m_calendar, &QPushButton::clicked, this, [this] { openCalendar(); });
    connect(m_floatingHoliday, &QCheckBox::clicked, this, [this](bool on) { floatingHolidaySwitched(on); });
    connect(m_lastDayName, &QCheckBox::clicked, this, [this](bool on) { lastDayNameSwitched(on); });
    connect(m_lastDay, &QCheckBox::clicked, this, [this](bool on) { lastDaySwitched(on); });
    connect(m_week, &QButtonGroup::idClicked, this,
            [this](int week) { record().setValue(QStringLiteral("DAT:WEEK"), week); });
    connect(m_weekDay, &QComboBox::activated, this, [this] { weekdayChosen(); });
    connect(m_month, &QComboBox::activated, this,
            [this] { record().setValue(QStringLiteral("DAT:MONTH"), m_month->currentText()); });
    connect(m_note, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_checking)
            record().setMemo(m_note->toPlainText().left(kNoteWidth));
    });
}

DateFormControls ImportantDateForm::shownNow() const {
    DateFormControls c;
    c.date = !m_dateRow->isHidden() && !m_datePrompt->isHidden();
    c.beginning = !m_dateRow->isHidden() && !m_beginning->isHidden();
    c.dayDate = !m_dayDateRow->isHidden();
    c.floatingHoliday = !m_floatingHoliday->isHidden();
    c.lastDayName = !m_lastDayName->isHidden();
    c.lastDay = !m_lastDay->isHidden();
    c.week = !m_weekRow->isHidden();
    c.weekDay = !m_weekDayRow->isHidden();
    c.month = !m_monthRow->isHidden();
    c.numberOfDays = !m_numberOfDaysRow->isHidden();
    return c;
}

void ImportantDateForm::applyVisibility() {
    const store::Record &r = record();
    const DateFormControls c = shownControls(r.value(QStringLiteral("DAT:TYPE")).toString(),
                                             r.value(QStringLiteral("DAT:FLOATINGHOLIDAY")).toLongLong() != 0,
                                             r.value(QStringLiteral("DAT:LASTDAYNAME")).toLongLong() != 0);
    m_dateRow->setVisible(c.date || c.beginning);
    m_datePrompt->setVisible(c.date);
    m_date->setVisible(c.date);
    m_calendar->setVisible(c.date);
    m_beginning->setVisible(c.beginning);
    m_dayDateRow->setVisible(c.dayDate);
    m_floatingHoliday->setVisible(c.floatingHoliday);
    m_lastDayName->setVisible(c.lastDayName);
    m_lastDay->setVisible(c.lastDay);
    m_weekRow->setVisible(c.week);
    m_weekDayRow->setVisible(c.weekDay);
    m_monthRow->setVisible(c.month);
    m_numberOfDaysRow->setVisible(c.numberOfDays);
}

// The check boxes and the day date exclude one another; the same rules hold
// whether the record comes in with them set or the user sets them here.
void ImportantDateForm::applyEnabling() {
    const store::Record &r = record();
    // The floating-holiday flag stays in the record when the type changes;
    // it takes the date away from a yearly date only.
    const bool floating = r.value(QStringLiteral("DAT:FLOATINGHOLIDAY")).toLongLong() != 0 &&
                          r.value(QStringLiteral("DAT:TYPE")).toString().trimmed() == QLatin1String("Year");
    const bool lastDayName = r.value(QStringLiteral("DAT:LASTDAYNAME")).toLongLong() != 0;
    const bool lastDay = r.value(QStringLiteral("DAT:LASTDAY")).toLongLong() != 0;
    const bool dayChosen = r.value(QStringLiteral("DAT:DAYDATE")).toLongLong() != 0;
    m_date->setEnabled(!floating);
    m_datePrompt->setEnabled(!floating);
    m_calendar->setEnabled(!floating);
    m_dayDate->setEnabled(!lastDayName && !lastDay);
    m_dayDatePrompt->setEnabled(!lastDayName && !lastDay);
    m_lastDay->setEnabled(!dayChosen && !lastDayName);
    m_lastDayName->setEnabled(!dayChosen && !lastDay);
}

void ImportantDateForm::redisplay() {
    m_checking = true;
    const store::Record &r = record();
    const QString type = r.value(QStringLiteral("DAT:TYPE")).toString().trimmed();
    const int typeId = static_cast<int>(kTypes.indexOf(type));
    if (typeId >= 0) {
        m_type->button(typeId)->setChecked(true);
    } else if (QAbstractButton *checked = m_type->checkedButton()) {
        m_type->setExclusive(false);
        checked->setChecked(false);
        m_type->setExclusive(true);
    }
    m_event->setText(r.value(QStringLiteral("DAT:EVENT")).toString().left(m_event->maxLength()));
    m_leadDays->setValue(static_cast<int>(r.value(QStringLiteral("DAT:LEADDAYS")).toLongLong()));
    showDate();
    m_dayDate->setValue(static_cast<int>(r.value(QStringLiteral("DAT:DAYDATE")).toLongLong()));
    m_floatingHoliday->setChecked(r.value(QStringLiteral("DAT:FLOATINGHOLIDAY")).toLongLong() != 0);
    m_lastDayName->setChecked(r.value(QStringLiteral("DAT:LASTDAYNAME")).toLongLong() != 0);
    m_lastDay->setChecked(r.value(QStringLiteral("DAT:LASTDAY")).toLongLong() != 0);
    const int week = static_cast<int>(r.value(QStringLiteral("DAT:WEEK")).toLongLong());
    if (QAbstractButton *b = m_week->button(week)) {
        b->setChecked(true);
    } else if (QAbstractButton *checked = m_week->checkedButton()) {
        m_week->setExclusive(false);
        checked->setChecked(false);
        m_week->setExclusive(true);
    }
    m_weekDay->setCurrentIndex(static_cast<int>(
        weekdayChoices().indexOf(r.value(QStringLiteral("DAT:WEEKDAY")).toString().trimmed())));
    m_month->setCurrentIndex(
        static_cast<int>(monthChoices().indexOf(r.value(QStringLiteral("DAT:MONTH")).toString().trimmed())));
    m_numberOfDays->setValue(static_cast<int>(r.value(QStringLiteral("DAT:NUMBEROFDAYS")).toLongLong()));
    m_note->setPlainText(r.memo());
    m_checking = false;
    applyVisibility();
    applyEnabling();
}

void ImportantDateForm::showDate() {
    m_date->setText(engine::showValue(kDatePicture, record().value(QStringLiteral("DAT:DATE"))));
}

void ImportantDateForm::focusFirstField() {
    m_event->setFocus();
    m_event->selectAll();
}

bool ImportantDateForm::acceptRanged(RangedField field, QSpinBox *spin, const char *name) {
    if (m_checking)
        return false;
    const int value = spin->value();
    if (const std::optional<RangeRule> broken = outOfRange(field, value)) {
        // The box takes the focus for a moment; leaving the spin box for it
        // is not a second attempt.
        m_checking = true;
        store::standardMessage(this, 10, broken->name, broken->bounds);
        m_checking = false;
        spin->setFocus();
        spin->selectAll();
        return false;
    }
    record().setValue(QString::fromLatin1(name), value);
    return true;
}

bool ImportantDateForm::acceptDate() {
    const engine::EntryValue v = engine::readEntry(kDatePicture, m_date->text());
    if (!v.ok) {
        QApplication::beep();
        m_date->setToolTip(v.error);
        showDate();
        m_date->setFocus();
        return false;
    }
    m_date->setToolTip({});
    record().setValue(QStringLiteral("DAT:DATE"), v.value);
    return true;
}

void ImportantDateForm::storeChoices() {
    store::Record &r = record();
    if (m_type->checkedId() >= 0)
        r.setValue(QStringLiteral("DAT:TYPE"), kTypes.value(m_type->checkedId()));
    r.setValue(QStringLiteral("DAT:EVENT"), m_event->text());
    r.setValue(QStringLiteral("DAT:FLOATINGHOLIDAY"), m_floatingHoliday->isChecked() ? 1 : 0);
    r.setValue(QStringLiteral("DAT:LASTDAYNAME"), m_lastDayName->isChecked() ? 1 : 0);
    r.setValue(QStringLiteral("DAT:LASTDAY"), m_lastDay->isChecked() ? 1 : 0);
    if (m_week->checkedId() >= 1)
        r.setValue(QStringLiteral("DAT:WEEK"), m_week->checkedId());
    if (m_weekDay->currentIndex() >= 0)
        r.setValue(QStringLiteral("DAT:WEEKDAY"), m_weekDay->currentText());
    if (m_month->currentIndex() >= 0)
        r.setValue(QStringLiteral("DAT:MONTH"), m_month->currentText());
    r.setMemo(m_note->toPlainText().left(kNoteWidth));
}

bool ImportantDateForm::acceptAll() {
    storeChoices();
    // In the order of the tab, as if the user left each entry in turn.
    return acceptRanged(RangedField::LeadDays, m_leadDays, "DAT:LEADDAYS") && acceptDate() &&
           acceptRanged(RangedField::DayDate, m_dayDate, "DAT:DAYDATE") &&
           acceptRanged(RangedField::NumberOfDays, m_numberOfDays, "DAT:NUMBEROFDAYS");
}

void ImportantDateForm::typeChosen(const QString &type) {
    record().setValue(QStringLiteral("DAT:TYPE"), type);
    applyVisibility();
    applyEnabling();
    m_event->setFocus();
}

void ImportantDateForm::floatingHolidaySwitched(bool on) {
    store::Record &r = record();
    r.setValue(QStringLiteral("DAT:FLOATINGHOLIDAY"), on ? 1 : 0);
    if (on) {
        m_rememberedDate = static_cast<int>(r.value(QStringLiteral("DAT:DATE")).toLongLong());
        r.setValue(QStringLiteral("DAT:DATE"), 0);
    } else if (r.value(QStringLiteral("DAT:DATE")).toLongLong() == 0) {
        r.setValue(QStringLiteral("DAT:DATE"), m_rememberedDate);
    }
    showDate();
    applyVisibility();
    applyEnabling();
}

void ImportantDateForm::lastDayNameSwitched(bool on) {
    store::Record &r = record();
    r.setValue(QStringLiteral("DAT:LASTDAYNAME"), on ? 1 : 0);
    if (on) {
        r.setValue(QStringLiteral("DAT:DAYDATE"), 0);
        const QSignalBlocker block(m_dayDate);
        m_dayDate->setValue(0);
    }
    applyVisibility();
    applyEnabling();
}

void ImportantDateForm::lastDaySwitched(bool on) {
    store::Record &r = record();
    r.setValue(QStringLiteral("DAT:LASTDAY"), on ? 1 : 0);
    if (on) {
        r.setValue(QStringLiteral("DAT:DAYDATE"), 0);
        const QSignalBlocker block(m_dayDate);
        m_dayDate->setValue(0);
    }
    applyEnabling();
}

void ImportantDateForm::weekdayChosen() {
    store::Record &r = record();
    const QString weekday = m_weekDay->currentText();
    r.setValue(QStringLiteral("DAT:WEEKDAY"), weekday);
    const QString event = defaultLastDayEvent(
        m_event->text(), r.value(QStringLiteral("DAT:LASTDAYNAME")).toLongLong() != 0, weekday);
    if (!event.isEmpty()) {
        r.setValue(QStringLiteral("DAT:EVENT"), event);
        m_event->setText(event);
    }
}

void ImportantDateForm::openCalendar() {
    // What the user typed counts as the date the calendar opens on.
    if (!acceptDate())
        return;
    store::Record &r = record();
    if (r.value(QStringLiteral("DAT:DATE")).toLongLong() == 0) {
        r.setValue(QStringLiteral("DAT:DATE"), Clock::current().today());
        showDate();
    }
    QPointer<ImportantDateForm> self(this);
    engine::gui::CalendarPicker::pick(
        this, static_cast<int>(r.value(QStringLiteral("DAT:DATE")).toLongLong()), [self](int chosen) {
            if (!self)
                return;
            if (chosen != 0)
                self->record().setValue(QStringLiteral("DAT:DATE"), chosen);
            self->showDate();
            self->applyEnabling();
            self->m_date->setFocus();
        });
}

QObject *ImportantDateForm::messageOwner() const {
    // A delete runs before the form is ever shown: its boxes belong to the caller.
    if (!isVisible() && parentWidget())
        return parentWidget();
    return const_cast<ImportantDateForm *>(this);
}

void ImportantDateForm::closeForm() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void ImportantDateForm::setWaitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool ImportantDateForm::eventFilter(QObject *watched, QEvent *event) {
    // Enter in an entry is OK, whose pass checks every field once.
    if (event->type() == QEvent::KeyPress &&
        engine::gui::pressDefaultButton(this, static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void ImportantDateForm::keyPressEvent(QKeyEvent *event) {
    if (!engine::gui::pressDefaultButton(this, event))
        QWidget::keyPressEvent(event);
}

void ImportantDateForm::closeEvent(QCloseEvent *event) {
    if (!m_ended && !m_engine->mayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    QWidget::closeEvent(event);
    end();
}

void ImportantDateForm::end() {
    if (m_ended)
        return;
    m_ended = true;
    m_engine->finish();
    engine::gui::WindowHost::release(this);
    if (m_done)
        m_done();
}

} // namespace tabulo::dates::gui
