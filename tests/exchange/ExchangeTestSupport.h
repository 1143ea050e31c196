#pragma once

// Shared by the exchange tests: a fresh data directory for the store, the
// sample files beside the tests, and a snapshot of everything the tables
// hold about people and companies, without control numbers, so that two
// directories can be compared field by field.
#include "store/Store.h"
#include "support/TempDataDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <gtest/gtest.h>

#include <map>

namespace tabulo::test {

inline QString sampleFile(const char *name) {
    // __FILE__ may be relative to the build folder the test binary sits in.
    QString here = QString::fromUtf8(__FILE__);
    if (QFileInfo(here).isRelative())
        here = QDir(QCoreApplication::applicationDirPath()).filePath(here);
    return QFileInfo(here).dir().filePath(QStringLiteral("data/") + QString::fromLatin1(name));
}

inline QByteArray sampleBytes(const char *name) {
    QFile f(sampleFile(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll();
}

class ExchangeFixture : public ::testing::Test {
protected:
    void SetUp() override { store::Store::instance().setDirectory(m_dir.path()); }
    void TearDown() override { store::Store::instance().closeAll(); }
    void useDirectory(const TempDataDir &dir) { store::Store::instance().setDirectory(dir.path()); }
    TempDataDir m_dir;
};

// Every record of a table in storage order, as its field values.
inline std::vector<store::Record> allRecords(const char *tableName) {
    store::TableUse use({QString::fromLatin1(tableName)});
    store::Table &t = use[QString::fromLatin1(tableName)];
    std::vector<store::Record> rows;
    store::Cursor cursor(t);
    cursor.toStart();
    while (cursor.next().ok())
        rows.push_back(t.record());
    return rows;
}

// One line per person and per company with every stored field but the
// control numbers, and their phones, notes and links; sorted.
inline QStringList snapshot() {
    const auto text = [](const store::Record &r, const char *f) {
        return r.value(QString::fromLatin1(f)).toString();
    };
    std::map<qint64, QString> categories, groups, companies;
    for (const store::Record &r : allRecords("QKcat"))
        categories[r.integer(0)] = text(r, "CATEGORY");
    for (const store::Record &r : allRecords("QKgrp"))
        groups[r.integer(0)] = text(r, "GROUP");
    categories[0] = groups[0] = QStringLiteral("(All)");
    std::map<qint64, QString> phoneText;
    std::map<qint64, QStringList> personParts, companyParts;
    for (const store::Record &r : allRecords("QKfon")) {
        const QString p = QStringList{text(r, "LOCATION"), text(r, "NAME"), text(r, "NUMBER"),
                                      text(r, "AREA"),     text(r, "EXT"),  text(r, "JUSTPHONESBYTE")}
                              .join(QLatin1Char('/'));
        phoneText[r.integer(0)] = p;
        if (r.integer(r.indexOf(QStringLiteral("NAM_CTRL"))))
            personParts[r.integer(r.indexOf(QStringLiteral("NAM_CTRL")))].append(QStringLiteral("phone ") +
                                                                                 p);
        if (r.integer(r.indexOf(QStringLiteral("CMP_CTRL"))))
            companyParts[r.integer(r.indexOf(QStringLiteral("CMP_CTRL")))].append(QStringLiteral("phone ") +
                                                                                  p);
    }
    for (const store::Record &r : allRecords("QKmem")) {
        const QString n = QStringList{text(r, "DATE"), text(r, "UPDATE"), text(r, "ORDER"), r.memo()}.join(
            QLatin1Char('/'));
        if (r.integer(r.indexOf(QStringLiteral("NAM_CTRL"))))
            personParts[r.integer(r.indexOf(QStringLiteral("NAM_CTRL")))].append(QStringLiteral("note ") + n);
        if (r.integer(r.indexOf(QStringLiteral("CMP_CTRL"))))
            companyParts[r.integer(r.indexOf(QStringLiteral("CMP_CTRL")))].append(QStringLiteral("note ") +
                                                                                  n);
    }
    for (const store::Record &r : allRecords("QKjnc"))
        personParts[r.integer(r.indexOf(QStringLiteral("NAM_CTRL")))].append(
            QStringLiteral("in ") + categories[r.integer(r.indexOf(QStringLiteral("CAT_CTRL")))] +
            QLatin1Char('/') + text(r, "LNAME") + QLatin1Char('/') + text(r, "FNAME"));
    for (const store::Record &r : allRecords("QKjcg"))
        companyParts[r.integer(r.indexOf(QStringLiteral("CMP_CTRL")))].append(
            QStringLiteral("in ") + groups[r.integer(r.indexOf(QStringLiteral("GRP_CTRL")))] +
            QLatin1Char('/') + text(r, "COMPANY"));
    QStringList lines;
    for (const store::Record &r : allRecords("QKcmp")) {
        companies[r.integer(0)] = text(r, "NAME");
        QStringList parts = companyParts[r.integer(0)];
        parts.sort();
        lines.append(
            QStringList{QStringLiteral("company"), text(r, "NAME"), text(r, "BUSINESS"), text(r, "ADDR1"),
                        text(r, "ADD2"), text(r, "CITY"), text(r, "STATE"), text(r, "ZIP"),
                        text(r, "COUNTRY"), text(r, "EMAILADDRESS"), text(r, "WEBADDRESS"), text(r, "NOTES"),
                        QStringLiteral("main ") + phoneText[r.integer(r.indexOf(QStringLiteral("FON_CTRL")))],
                        parts.join(QLatin1Char('|'))}
                .join(QLatin1Char('|')));
    }
    for (const store::Record &r : allRecords("QKnam")) {
        QStringList parts = personParts[r.integer(0)];
        parts.sort();
        lines.append(QStringList{QStringLiteral("person"), text(r, "LNAME"), text(r, "FNAME"),
                                 text(r, "ADDR1"), text(r, "ADDR2"), text(r, "CITY"), text(r, "STATE"),
                                 text(r, "ZIP"), text(r, "DOB"), text(r, "EMAILADDRESS"), text(r, "COUNTRY"),
                                 companies[r.integer(r.indexOf(QStringLiteral("CMP_CTRL")))],
                                 text(r, "FON_CTRL"), text(r, "ZIP_CTRL"), parts.join(QLatin1Char('|'))}
                         .join(QLatin1Char('|')));
    }
    lines.sort();
    return lines;
}

} // namespace tabulo::test
