#include "dates/ImportantDateRules.h"

#include "store/Record.h"

namespace tabulo::dates {

void writeImportantDate(const ImportantDate &date, store::Record &record) {
    record.setValue(QStringLiteral("DAT:DATE"), date.date);
    record.setValue(QStringLiteral("DAT:EVENT"), date.event);
    record.setValue(QStringLiteral("DAT:LEADDAYS"), date.leadDays);
    record.setValue(QStringLiteral("DAT:TYPE"), date.type);
    record.setValue(QStringLiteral("DAT:WEEK"), date.week);
    record.setValue(QStringLiteral("DAT:WEEKDAY"), date.weekday);
    record.setValue(QStringLiteral("DAT:DAYDATE"), date.dayDate);
    record.setValue(QStringLiteral("DAT:LASTDAY"), date.lastDay ? 1 : 0);
    record.setValue(QStringLiteral("DAT:LASTDAYNAME"), date.lastDayName ? 1 : 0);
    record.setValue(QStringLiteral("DAT:FLOATINGHOLIDAY"), date.floatingHoliday ? 1 : 0);
    record.setValue(QStringLiteral("DAT:MONTH"), date.month);
    record.setValue(QStringLiteral("DAT:NUMBEROFDAYS"), date.numberOfDays);
}

DateFormControls shownControls(const QString &type, bool floatingHoliday, bool lastDayName) {
    DateFormControls shown;
    switch (recurrenceKind(type)) {
    case RecurrenceKind::Year:
        shown.date = true;
        shown.floatingHoliday = true;
        shown.weekDay = shown.month = shown.week = floatingHoliday;
        break;
    case RecurrenceKind::Month:
        shown.dayDate = shown.lastDay = shown.lastDayName = true;
        shown.weekDay = lastDayName;
        break;
    case RecurrenceKind::Week:
        shown.week = shown.weekDay = true;
        break;
    case RecurrenceKind::Days:
        shown.numberOfDays = shown.beginning = shown.date = true;
        break;
    case RecurrenceKind::Invalid:
        break;
    }
    return shown;
}

const RangeRule &rangeRule(RangedField field) {
    static const RangeRule leadDays{0, 99, QStringLiteral("Number of lead days for pop-up announce"),
                                    QStringLiteral("0 and 99")};
    static const RangeRule dayDate{0, 28, QStringLiteral("dat:DayDate"), QStringLiteral("0 and 28")};
    static const RangeRule numberOfDays{0, 255, QStringLiteral("dat:NumberOfDays"),
                                        QStringLiteral("0 and 255")};
    switch (field) {
    case RangedField::LeadDays:
        return leadDays;
    case RangedField::DayDate:
        return dayDate;
    case RangedField::NumberOfDays:
        break;
    }
    return numberOfDays;
}

std::optional<RangeRule> outOfRange(RangedField field, qint64 value) {
    const RangeRule &rule = rangeRule(field);
    if (value < rule.low || value > rule.high)
        return rule;
    return std::nullopt;
}

const QStringList &weekdayChoices() {
    static const QStringList choices{QStringLiteral("Monday"),    QStringLiteral("Tuesday"),
                                     QStringLiteral("Wednesday"), QStringLiteral("Thursday"),
                                     QStringLiteral("Friday"),    QStringLiteral("Saturday"),
                                     QStringLiteral("Sunday")};
    return choices;
}

const QStringList &monthChoices() {
    static const QStringList choices{
        QStringLiteral("January"), QStringLiteral("February"), QStringLiteral("March"),
        QStringLiteral("April"),   QStringLiteral("May"),      QStringLiteral("June"),
        QStringLiteral("July"),    QStringLiteral("August"),   QStringLiteral("September"),
        QStringLiteral("October"), QStringLiteral("November"), QStringLiteral("December")};
    return choices;
}

QString defaultLastDayEvent(const QString &event, bool lastDayName, const QString &weekday) {
    if (!lastDayName || !event.trimmed().isEmpty() || weekday.trimmed().isEmpty())
        return {};
    return QStringLiteral("Last ") + weekday.trimmed();
}

} // namespace tabulo::dates
