#include "dates/gui/DateRows.h"

#include "dates/PendingEvents.h"
#include "store/Dictionary.h"
#include "store/Record.h"

namespace tabulo::dates::gui {

std::vector<engine::ListColumn> withRecurrenceColumns(std::vector<engine::ListColumn> visible) {
    static const std::vector<engine::ListColumn> recurrence{
        {QStringLiteral("DAT:CTRL_NBR"), QStringLiteral("@n13")},
        {QStringLiteral("DAT:DATE"), QStringLiteral("@n7")},
        {QStringLiteral("DAT:LEADDAYS"), QStringLiteral("@n3")},
        {QStringLiteral("DAT:TYPE"), QStringLiteral("@s7")},
        {QStringLiteral("DAT:WEEK"), QStringLiteral("@n3")},
        {QStringLiteral("DAT:WEEKDAY"), QStringLiteral("@s9")},
        {QStringLiteral("DAT:DAYDATE"), QStringLiteral("@n3")},
        {QStringLiteral("DAT:LASTDAY"), QStringLiteral("@n3")},
        {QStringLiteral("DAT:LASTDAYNAME"), QStringLiteral("@n3")},
        {QStringLiteral("DAT:FLOATINGHOLIDAY"), QStringLiteral("@n3")},
        {QStringLiteral("DAT:MONTH"), QStringLiteral("@s9")},
        {QStringLiteral("DAT:NUMBEROFDAYS"), QStringLiteral("@n3")},
    };
    visible.insert(visible.end(), recurrence.begin(), recurrence.end());
    return visible;
}

ImportantDate importantDateOfRow(const std::vector<engine::ListColumn> &columns, const engine::ListRow &row) {
    store::Record record(*store::Dictionary::instance().table(QStringLiteral("QKdat")));
    for (size_t i = 0; i < columns.size() && i < row.values.size(); ++i) {
        if (row.values[i].isValid())
            record.setValue(columns[i].field, row.values[i]);
    }
    return importantDateFromRecord(record);
}

} // namespace tabulo::dates::gui
