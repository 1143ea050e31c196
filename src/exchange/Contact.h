#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tabulo::exchange {

// One card as the tables can hold it, between a file's grammar and the
// store: a person (QKnam with phones, notes, categories and company) or a
// company (QKcmp with the same). Texts are as read; the store cuts them.

struct ContactPhone {
    QString location; // "Home", "Work", "Mobile", "Fax" ... or the file's own label
    QString number;   // as typed
    QString ext;
    QString name; // the additional text of the number
};

struct ContactNote {
    int date = 0;    // day number; 0 = the day of the import
    int updated = 0; // day number of the last change, 0 = none
    QString text;
};

struct Contact {
    bool isCompany = false;
    QString lastName;
    QString firstName;
    QString addr1;
    QString addr2;
    QString city;
    QString state;
    QString zip;
    QString country;
    QString email;
    int birthday = 0; // day number; 0 = none
    QString company;  // for a person the company's name; for a company its name
    QString business; // a company's line of business
    QString web;      // a company's web address
    std::vector<ContactPhone> phones;
    std::vector<ContactNote> notes;
    QStringList categories;
    int line = 0; // where the card or row began in its file
};

// The year a birthday without a year is kept in: the first leap year of the
// calendar's day numbers, so that 29 February fits; written back without a
// year.
inline constexpr int kNoYear = 1804;

} // namespace tabulo::exchange
