#include "engine/gui/CalendarPicker.h"

#include "base/Clock.h"
#include "base/DateOps.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tabulo::engine::gui {

using dates::CalendarModel;
using dates::Clock;
using dates::yearOf;

namespace {

const QString kWeekHeader = QStringLiteral("Su  Mo Tu  We  Th   Fr  Sa");

} // namespace

CalendarPicker::CalendarPicker(int date, QWidget *parent)
    : QDialog(parent)
    , m_model(date, Clock::current().today()) {
    setObjectName(QStringLiteral("calendarPicker"));
    setFont(QFont(QStringLiteral("Arial")));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("x-office-calendar")));
    setModal(true);

    m_yearSpin = new QSpinBox(this);
    m_yearSpin->setObjectName(QStringLiteral("yearSpin"));
    m_yearSpin->setAccessibleName(QStringLiteral("Year"));
    m_yearSpin->setRange(yearOf(CalendarModel::firstSelectableDay()),
                         yearOf(CalendarModel::lastSelectableDay()));
    m_yearSpin->setKeyboardTracking(false);

    // 0 and 13 are allowed so that stepping past either end rolls the year.
    m_monthSpin = new QSpinBox(this);
    m_monthSpin->setObjectName(QStringLiteral("monthSpin"));
    m_monthSpin->setAccessibleName(QStringLiteral("Month"));
    m_monthSpin->setRange(0, 13);
    m_monthSpin->setKeyboardTracking(false);

    m_monthTitle = new QLabel(this);
    m_monthTitle->setObjectName(QStringLiteral("monthTitle"));
    m_monthTitle->setAlignment(Qt::AlignCenter);

    auto *top = new QHBoxLayout;
    auto *yearLabel = new QLabel(QStringLiteral("Year"), this);
    yearLabel->setBuddy(m_yearSpin);
    auto *monthLabel = new QLabel(QStringLiteral("Month"), this);
    monthLabel->setBuddy(m_monthSpin);
    top->addWidget(yearLabel);
    top->addWidget(m_yearSpin);
    top->addWidget(monthLabel);
    top->addWidget(m_monthSpin);

    auto *grid = new QGridLayout;
    grid->setSpacing(2);
    const QStringList headings = kWeekHeader.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int column = 0; column < headings.size(); ++column) {
        auto *heading = new QLabel(headings.at(column), this);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, column);
    }
    for (int cell = 0; cell < CalendarModel::kCellCount; ++cell) {
        auto *button = new QPushButton(this);
        button->setObjectName(QStringLiteral("cell%1").arg(cell));
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setFixedSize(32, 26);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, cell] {
            m_model.selectCell(cell);
            refresh();
        });
        grid->addWidget(button, 1 + cell / CalendarModel::kColumns, cell % CalendarModel::kColumns);
        m_cells[cell] = button;
    }

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    m_todayButton = new QPushButton(QStringLiteral("Today"), this);
    m_todayButton->setObjectName(QStringLiteral("todayButton"));
    m_todayButton->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_todayButton);
    buttons->addWidget(m_okButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_monthTitle);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    for (QWidget *widget : {static_cast<QWidget *>(m_yearSpin), static_cast<QWidget *>(m_monthSpin),
                            static_cast<QWidget *>(m_okButton), static_cast<QWidget *>(m_todayButton)})
        widget->installEventFilter(this);

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_todayButton, &QPushButton::clicked, this, &CalendarPicker::showToday);
    connect(m_yearSpin, &QSpinBox::valueChanged, this, &CalendarPicker::spinChanged);
    connect(m_monthSpin, &QSpinBox::valueChanged, this, &CalendarPicker::spinChanged);

    refresh();
    m_okButton->setFocus();
}

CalendarPicker *CalendarPicker::pick(QWidget *parent, int date, std::function<void(int)> chosen) {
    auto *picker = new CalendarPicker(date, parent);
    picker->setAttribute(Qt::WA_DeleteOnClose);
    picker->setWindowModality(Qt::ApplicationModal);
    if (chosen)
        connect(picker, &CalendarPicker::dateChosen, picker,
                [chosen = std::move(chosen)](int day) { chosen(day); });
    picker->show();
    return picker;
}

void CalendarPicker::done(int result) {
    // Esc, the close box and reject() all end here too, so the caller hears
    // exactly once however the window goes.
    if (!m_finished) {
        m_finished = true;
        const int chosen = result == QDialog::Accepted ? m_model.date() : 0;
        if (chosen != 0)
            QGuiApplication::clipboard()->setText(m_model.clipboardText());
        emit dateChosen(chosen);
    }
    QDialog::done(result);
}

void CalendarPicker::keyPressEvent(QKeyEvent *event) {
    if (!handleKey(event))
        QDialog::keyPressEvent(event);
}

bool CalendarPicker::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        // Up and Down step the spin box that has the focus, as a spin box does.
        const bool spin = watched == m_yearSpin || watched == m_monthSpin;
        if (spin && (keyEvent->key() == Qt::Key_Up || keyEvent->key() == Qt::Key_Down))
            return false;
        if (spin && (keyEvent->key() == Qt::Key_Minus || keyEvent->key() == Qt::Key_Plus))
            return false;
        return handleKey(keyEvent);
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (int cell = 0; cell < CalendarModel::kCellCount; ++cell) {
            if (watched == m_cells[cell]) {
                m_model.selectCell(cell);
                refresh();
                accept();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool CalendarPicker::handleKey(QKeyEvent *event) {
    switch (m_model.handleKey(event->key(), event->modifiers())) {
    case CalendarModel::KeyOutcome::Handled:
        refresh();
        return true;
    case CalendarModel::KeyOutcome::Cancel:
        reject();
        return true;
    case CalendarModel::KeyOutcome::Ignored:
        break;
    }
    return false;
}

void CalendarPicker::showToday() {
    m_model.setDate(Clock::current().today());
    refresh();
}

void CalendarPicker::spinChanged() {
    m_model.setMonthYear(m_monthSpin->value(), m_yearSpin->value());
    // Also when the move was refused: the spin boxes go back to the month on show.
    refresh();
}

void CalendarPicker::refresh() {
    {
        const QSignalBlocker blockYear(m_yearSpin);
        const QSignalBlocker blockMonth(m_monthSpin);
        m_yearSpin->setValue(m_model.year());
        m_monthSpin->setValue(m_model.month());
    }
    m_monthTitle->setText(m_model.monthTitle());
    setWindowTitle(m_model.windowTitle());
    const int selected = m_model.selectedCell();
    for (int cell = 0; cell < CalendarModel::kCellCount; ++cell) {
        m_cells[cell]->setText(m_model.cellText(cell));
        m_cells[cell]->setChecked(cell == selected);
    }
}

} // namespace tabulo::engine::gui
