#include "host/Dialer.h"

#include <QStringList>
#include <mutex>

namespace tabulo::host {

namespace {
// Fixed-width texts: what is cut off at the width never leaves a blank behind.
QString fit(const QString &text, int width) {
    return text.trimmed().left(width).trimmed();
}

std::mutex s_labelMutex;
QString s_lastCallerLabel;
} // namespace

DialRequest makeDialRequest(const QString &callerLabel, const QString &locationLabel, const QString &number) {
    return {fit(callerLabel, kCallerLabelWidth), fit(locationLabel, kLocationLabelWidth),
            fit(number, kNumberWidth)};
}

QString personCallerLabel(const QString &firstName, const QString &lastName, const QString &location) {
    QStringList name;
    for (const QString &part : {firstName.trimmed(), lastName.trimmed()}) {
        if (!part.isEmpty())
            name << part;
    }
    return fit(name.join(QLatin1Char(' ')) + QStringLiteral("'s ") + location.trimmed(), kCallerLabelWidth);
}

QString companyCallerLabel(const QString &company, const QString &location) {
    return fit(company.trimmed() + QLatin1Char(' ') + location.trimmed(), kCallerLabelWidth);
}

QString lastCallerLabel() {
    std::lock_guard lock(s_labelMutex);
    return s_lastCallerLabel;
}

void setLastCallerLabel(const QString &label) {
    std::lock_guard lock(s_labelMutex);
    s_lastCallerLabel = fit(label, kCallerLabelWidth);
}

} // namespace tabulo::host
