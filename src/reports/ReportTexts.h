#pragma once

#include "reports/ReportKind.h"

#include <QString>
#include <QStringList>

namespace tabulo::reports {

// The address fields of one member as the record holds them (a person's
// first and last name, or a company's name in `name`).
struct MemberFields {
    QString first;
    QString name; // last name, or the company's name
    QString addr1;
    QString addr2;
    QString city;
    QString state;
    QString zip;
};

// A label's city line: city without surrounding blanks, state and zip, each
// after one blank; no comma.
QString labelCityLine(const MemberFields &member);

// The lines of one label, each at most 35 characters: five for a person (the
// fifth always blank), four for a company. The city line moves up to the
// third line when the second address line is blank.
QStringList nameLabelLines(const MemberFields &person);
QStringList companyLabelLines(const MemberFields &company);

// A member's heading in a phone list: its name and its address lines (one
// for a person, street and city for a company).
struct PhoneHeading {
    QString name;
    QStringList address;
};
PhoneHeading namePhoneHeading(const MemberFields &person);
PhoneHeading companyPhoneHeading(const MemberFields &company);

// The fields of one phone line, each formatted through its picture, in the
// order the report prints them.
struct PhoneFields {
    QString location;
    QString number; // bare digits
    QString ext;
    QString name;
};
QStringList namePhoneLine(const PhoneFields &phone);
QStringList companyPhoneLine(const PhoneFields &phone);

// The category line under a phone list's title: the current category's name,
// or "All Categories" / "All Groups" when that name is "All".
QString categoryLine(ReportKind kind, const QString &categoryName);

// The footer of a phone list page ("Page 12").
QString pageFooter(int page);

} // namespace tabulo::reports
