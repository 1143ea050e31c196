#pragma once

// People, companies, categories and phones written straight into the
// tables, for the report tests.
#include "engine/EngineTestSupport.h"
#include "engine/Globals.h"
#include "store/Store.h"

#include <QString>

namespace tabulo::test {

struct Person {
    QString first;
    QString last;
    QString addr1 = QStringLiteral("1 Main St");
    QString addr2;
    QString city = QStringLiteral("Springfield");
    QString state = QStringLiteral("IL");
    QString zip = QStringLiteral("62701");
};

class ReportFixture : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        for (const char *name : {"QKnam", "QKjnc", "QKcat", "QKfon", "QKcmp", "QKjcg", "QKgrp"})
            store::Store::instance().use(QString::fromLatin1(name));
    }
    void TearDown() override {
        for (const char *name : {"QKnam", "QKjnc", "QKcat", "QKfon", "QKcmp", "QKjcg", "QKgrp"})
            store::Store::instance().release(QString::fromLatin1(name));
        StoreFixture::TearDown();
    }
    static store::Table &t(const char *name) {
        return store::Store::instance().table(QString::fromLatin1(name));
    }

    static void put(const char *table, std::initializer_list<std::pair<const char *, QVariant>> values) {
        store::Record &r = t(table).record();
        r.clear();
        for (const auto &[field, value] : values)
            r.setValue(QString::fromLatin1(field), value);
        ASSERT_TRUE(t(table).insert().ok()) << table;
    }

    qint64 addCategory(const QString &name) {
        put("QKcat", {{"CTRL_NBR", ++m_category}, {"CATEGORY", name}});
        return m_category;
    }
    // A person linked to All and to the given categories, with phones
    // ("Home", "5551234567").
    qint64 addPerson(const Person &p, std::vector<qint64> categories = {},
                     std::vector<std::pair<QString, QString>> phones = {}) {
        const qint64 id = ++m_person;
        put("QKnam", {{"CTRL_NBR", id},
                      {"FNAME", p.first},
                      {"LNAME", p.last},
                      {"ADDR1", p.addr1},
                      {"ADDR2", p.addr2},
                      {"CITY", p.city},
                      {"STATE", p.state},
                      {"ZIP", p.zip}});
        categories.insert(categories.begin(), 0);
        for (qint64 c : categories)
            put("QKjnc", {{"CTRL_NBR", ++m_link},
                          {"FNAME", p.first},
                          {"LNAME", p.last},
                          {"NAM_CTRL", id},
                          {"CAT_CTRL", c}});
        for (const auto &[location, number] : phones)
            put("QKfon",
                {{"CTRL_NBR", ++m_phone}, {"NAM_CTRL", id}, {"LOCATION", location}, {"NUMBER", number}});
        return id;
    }
    // People "Person 001" ... in the given category (and All).
    void addPeople(int count, qint64 category = 0) {
        for (int i = 1; i <= count; ++i)
            addPerson({QStringLiteral("Pat"), QStringLiteral("Person %1").arg(i, 3, 10, QLatin1Char('0'))},
                      category ? std::vector<qint64>{category} : std::vector<qint64>{});
    }
    qint64 addCompany(const QString &name, const QString &city, const QString &state, const QString &zip,
                      std::vector<std::pair<QString, QString>> phones = {}) {
        const qint64 id = ++m_company;
        put("QKcmp", {{"CTRL_NBR", id},
                      {"NAME", name},
                      {"ADDR1", QStringLiteral("9 Elm Rd")},
                      {"CITY", city},
                      {"STATE", state},
                      {"ZIP", zip}});
        put("QKjcg", {{"CTRL_NBR", ++m_link}, {"COMPANY", name}, {"CMP_CTRL", id}, {"GRP_CTRL", 0}});
        for (const auto &[location, number] : phones)
            put("QKfon",
                {{"CTRL_NBR", ++m_phone}, {"CMP_CTRL", id}, {"LOCATION", location}, {"NUMBER", number}});
        return id;
    }

    qint64 m_category = 0, m_person = 0, m_link = 0, m_phone = 0, m_company = 0;
};

} // namespace tabulo::test
