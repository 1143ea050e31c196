#include "reports/ReportTexts.h"

#include "engine/Picture.h"

#include <map>
#include <mutex>
#include <string>

namespace tabulo::reports {

namespace {

// The pictures a report prints through, each read once.
const engine::Picture &picture(const char *text) {
    static std::map<std::string, engine::Picture> pictures;
    static std::mutex lock;
    std::lock_guard guard(lock);
    auto it = pictures.find(text);
    if (it == pictures.end())
        it = pictures.emplace(text, engine::Picture::fromText(QLatin1String(text)).value()).first;
    return it->second;
}

QString formatWith(const char *text, const QVariant &value) {
    return picture(text).format(value);
}

// A text picture of `chars` characters ("s35") cuts the text to that many.
QString cut(const QString &text, int chars) {
    return text.size() <= chars ? text : text.left(chars);
}

} // namespace

QString labelCityLine(const MemberFields &member) {
    return member.city.trimmed() + QLatin1Char(' ') + member.state + QLatin1Char(' ') + member.zip;
}

QStringList nameLabelLines(const MemberFields &person) {
    const bool twoStreetLines = !person.addr2.trimmed().isEmpty();
    const QString city = labelCityLine(person);
    return {cut(person.first.trimmed() + QLatin1Char(' ') + person.name, 35), cut(person.addr1, 35),
            cut(twoStreetLines ? person.addr2 : city, 35), twoStreetLines ? cut(city, 35) : QString(),
            QString()};
}

QStringList companyLabelLines(const MemberFields &company) {
    const bool twoStreetLines = !company.addr2.trimmed().isEmpty();
    const QString city = labelCityLine(company);
    return {cut(company.name, 35), cut(company.addr1, 35), cut(twoStreetLines ? company.addr2 : city, 35),
            twoStreetLines ? cut(city, 35) : QString()};
}

PhoneHeading namePhoneHeading(const MemberFields &person) {
    QString street = person.addr1.trimmed();
    if (!person.addr2.trimmed().isEmpty())
        street += QStringLiteral(", ") + person.addr2;
    const QString city =
        person.city.trimmed() + QStringLiteral(", ") + person.state + QLatin1Char(' ') + person.zip;
    return {cut(person.first.trimmed() + QLatin1Char(' ') + person.name, 40),
            {cut(street + QStringLiteral(", ") + city, 79)}};
}

PhoneHeading companyPhoneHeading(const MemberFields &company) {
    const QString street = company.addr1.trimmed() + QLatin1Char(' ') + company.addr2;
    return {cut(company.name, 35), {cut(street, 60), cut(labelCityLine(company), 60)}};
}

QStringList namePhoneLine(const PhoneFields &phone) {
    return {formatWith("S25", phone.location), formatWith("P(###) ###-####P", phone.number),
            formatWith("s6", phone.ext)};
}

QStringList companyPhoneLine(const PhoneFields &phone) {
    return {formatWith("P(###) ###-####P", phone.number), formatWith("s6", phone.ext),
            formatWith("S25", phone.location), formatWith("s25", phone.name)};
}

QString categoryLine(ReportKind kind, const QString &categoryName) {
    if (categoryName.trimmed() == QLatin1String("All"))
        return isNameReport(kind) ? QStringLiteral("All Categories") : QStringLiteral("All Groups");
    return cut(categoryName, 30);
}

QString pageFooter(int page) {
    return formatWith("pPage <<<#p", static_cast<qint64>(page));
}

} // namespace tabulo::reports
