#include "phones/CallStatus.h"

#include "base/Text.h"
#include "engine/Picture.h"

namespace tabulo::phones {

QString callStatusText(int callerDate, int callerTime, int returnedDate, int returnedTime) {
    if (callNotReturned(returnedDate))
        return QStringLiteral("Not Returned");
    if (returnedDate == callerDate && returnedTime == callerTime)
        return QStringLiteral("Call Answered");
    static const engine::Picture d2 = engine::Picture::fromText(QStringLiteral("d2")).value();
    static const engine::Picture t3 = engine::Picture::fromText(QStringLiteral("t3")).value();
    const QString text = QStringLiteral("Returned Date:  ") + d2.formatDate(returnedDate).trimmed() +
                         QStringLiteral("\r\nReturned Time:  ") + t3.formatTime(returnedTime).trimmed();
    return text.left(kStatusWidth);
}

QString callerName(const QString &firstName, const QString &lastName) {
    return (firstName.trimmed() + QLatin1Char(' ') + base::withoutTrailingBlanks(lastName)).left(kCallerNameWidth);
}

} // namespace tabulo::phones
